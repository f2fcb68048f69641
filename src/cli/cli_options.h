// The terminal program's own options, taken out of the command line before
// the rest goes to the start-up: help, version, the report format and
// https requests.
#pragma once

#include <string>
#include <vector>

namespace vex::cli {

enum class ReportFormat { Text, Json };

struct CliOptions {
  bool help = false;     // -h, -?, --help
  bool version = false;  // --version
  bool https = false;    // --https: request https links in this run
  ReportFormat format = ReportFormat::Text;
  std::string badFormat;              // the value of a --format that names no format
  std::vector<std::string> coreArgs;  // everything else, in order
};

// "--format json" and "--format=json" both name the format.
[[nodiscard]] CliOptions ReadCliOptions(const std::vector<std::string>& args);

}  // namespace vex::cli
