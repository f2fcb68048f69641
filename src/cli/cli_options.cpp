#include "cli/cli_options.h"

#include "platform/text/text.h"

namespace vex::cli {

namespace {

void SetFormat(CliOptions& options, const std::string& value) {
  const std::string v = LowerAscii(Trim(value));
  if (v == "json") {
    options.format = ReportFormat::Json;
  } else if (v == "text") {
    options.format = ReportFormat::Text;
  } else {
    options.badFormat = value.empty() ? std::string("(empty)") : value;
  }
}

}  // namespace

CliOptions ReadCliOptions(const std::vector<std::string>& args) {
  CliOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string word = Trim(args[i]);
    if (word == "-h" || word == "-?" || word == "--help") {
      options.help = true;
    } else if (word == "--version") {
      options.version = true;
    } else if (word == "--https") {
      options.https = true;
    } else if (word == "--format") {
      if (i + 1 < args.size()) {
        SetFormat(options, args[++i]);
      } else {
        options.badFormat = "(empty)";
      }
    } else if (StartsWith(word, "--format=")) {
      SetFormat(options, word.substr(9));
    } else {
      options.coreArgs.push_back(args[i]);
    }
  }
  return options;
}

}  // namespace vex::cli
