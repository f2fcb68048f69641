#include "cli/json_report.h"

#include <array>
#include <nlohmann/json.hpp>
#include <string_view>

#include "cli/findings.h"

namespace vex::cli {

namespace {

using json = nlohmann::ordered_json;

constexpr std::array<std::string_view, 3> kPageTypes = {"S-Page", "L-Page", "g-Page"};
constexpr std::array<std::string_view, 6> kFlagNames = {"broken", "timedOut",   "anchor",
                                                        "jump",   "redirected", "auth"};
// Reasons in the report are always English: a program reads them.
constexpr int kReportLanguage = 1;

json TextOrNull(const std::string& text) {
  return text.empty() ? json(nullptr) : json(text);
}

json LinkJson(const LinkResult& link) {
  const ProbeDetails& d = link.probe;
  json flags = json::array();
  for (std::size_t f = 0; f < kFlagNames.size(); ++f) {
    if (link.flags[f] != 0) flags.push_back(kFlagNames[f]);
  }
  json error = nullptr;
  if (d.error != 0 || d.missingFile) {
    LinkResult bare;
    bare.probe.error = d.error;
    bare.probe.missingFile = d.missingFile;
    error = LinkReason(bare, kReportLanguage);
  }
  return json{
      {"address", link.address},
      {"mark", link.mark},
      {"problem", IsProblemLink(link)},
      {"flags", std::move(flags)},
      {"status", d.status != 0 ? json(d.status) : json(nullptr)},
      {"ms", d.ms >= 0 ? json(d.ms) : json(nullptr)},
      {"reached", TextOrNull(d.reached)},
      {"error", std::move(error)},
      {"errorCode", d.error != 0 ? json(d.error) : json(nullptr)},
      {"anchor", TextOrNull(d.anchor)},
      {"reason", TextOrNull(LinkReason(link, kReportLanguage))},
  };
}

json PageJson(const PageResult& page) {
  const CountRecord& c = page.counts;
  json links = json::array();
  for (const LinkResult& link : page.links) links.push_back(LinkJson(link));
  return json{
      {"target", page.target},
      {"resultPage", TextOrNull(page.resultPath)},
      {"checked", page.checked},
      {"cancelled", page.cancelled},
      {"rating", TextOrNull(page.rating)},
      {"title", TextOrNull(page.tally)},
      {"counts",
       {{"links", c.LinkCount},
        {"broken", c.BrokenCount},
        {"timedOut", c.TimedOutCount},
        {"anchor", c.AnchorCount},
        {"jump", c.JumpCount},
        {"redirected", c.RedirectedCount},
        {"auth", c.AuthCount}}},
      {"links", std::move(links)},
  };
}

}  // namespace

std::string JsonReport(const RunFacts& run, const RunResults& results) {
  json pages = json::array();
  for (const PageResult& page : results.pages) pages.push_back(PageJson(page));
  const json doc{
      {"version", kJsonReportVersion},
      {"run",
       {{"target", run.target},
        {"start", TextOrNull(run.start)},
        {"end", TextOrNull(run.end)},
        {"language", run.charMode == 1 ? "en" : "ja"},
        {"pageType", kPageTypes.at(static_cast<std::size_t>(run.jumpMode) % kPageTypes.size())},
        {"exitStatus", run.exitStatus},
        {"summaryReport", TextOrNull(run.summaryPath)}}},
      {"pages", std::move(pages)},
  };
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace vex::cli
