// Checks over the shipped home site: every page and image the header block
// points at is there, the legend explains every mark in both forms, and the
// site's own links resolve.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "context/texts.h"
#include "platform/text/encoding.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

const fs::path kSite = fs::path(VEXALORN_SOURCE_DIR) / "data" / "site";

std::string Read(const fs::path& p) {
  std::string text;
  EXPECT_TRUE(ReadFileBytes(p.string(), text)) << p;
  return text;
}

std::vector<std::string> BannerCodes() {
  std::vector<std::string> codes;
  for (char slot : {'1', '2'}) {
    for (char k = '1'; k <= '8'; ++k) codes.push_back(std::string("c") + slot + k);
  }
  return codes;
}

TEST(SiteData, EveryAddressedFileIsShipped) {
  std::vector<std::string> files = {"index.html",     "en/index.html",   "legend.html",
                                    "img/P00260.gif", "img/counter.gif", "banner/banners.htm"};
  for (const auto& code : BannerCodes()) {
    files.push_back("banner/" + code + ".gif");
    files.push_back("banner/" + code + ".htm");
  }
  for (const auto& f : files) {
    ASSERT_TRUE(fs::is_regular_file(kSite / f)) << f;
    if (EndsWith(f, ".gif")) {
      const std::string raw = Read(kSite / f);
      EXPECT_TRUE(StartsWith(raw, "GIF87a") || StartsWith(raw, "GIF89a")) << f;
      EXPECT_LT(raw.size(), 4000u) << f;
    }
  }
}

TEST(SiteData, LegendShowsEveryMarkInBothForms) {
  const std::string legend = Read(kSite / "legend.html");
  int marks = 0;
  for (const auto& named : texts::AllPairs()) {
    const bool shown = StartsWith(named.name, "Mark") || StartsWith(named.name, "Anchor") ||
                       named.name == "TxtIeTimeout" || named.name == "TxtCanceledMark" ||
                       StartsWith(named.name, "JumpModeCaptions") || named.name == "TxtVeryGood" ||
                       named.name == "TxtGood" || named.name == "TxtCheckNeeded";
    if (!shown) continue;
    ++marks;
    EXPECT_TRUE(Contains(legend, named.pair->jp)) << named.name << " " << named.pair->jp;
    EXPECT_TRUE(Contains(legend, named.pair->en)) << named.name << " " << named.pair->en;
  }
  EXPECT_GE(marks, 16);
  for (const char* word : {"links", "X:", "?:", "#x:", "J:", "R:", "good!", "very good!!",
                           "Check Canceled !!!", "Very good!&lt;12&gt;", "凡例"}) {
    EXPECT_TRUE(Contains(legend, word)) << word;
  }
}

TEST(SiteData, BannerListPageHoldsSixteenParagraphsInPairs) {
  const std::string page = Read(kSite / "banner" / "banners.htm");
  EXPECT_LT(page.size(), 8000u) << "the program reads only the first 8000 bytes";
  const std::string marker = "<P style=\"MARGIN-LEFT: 1px\">";
  std::vector<std::string> paragraphs;
  for (std::size_t p = page.find(marker); p != std::string::npos; p = page.find(marker, p + 1)) {
    const std::size_t start = p + marker.size();
    const std::size_t end = page.find("</P>", start);
    ASSERT_NE(end, std::string::npos);
    paragraphs.push_back(page.substr(start, end - start));
  }
  ASSERT_EQ(paragraphs.size(), 16u);
  for (int k = 0; k < 8; ++k) {
    EXPECT_TRUE(Contains(paragraphs[2 * k], "c1" + std::to_string(k + 1) + ".htm")) << k;
    EXPECT_TRUE(Contains(paragraphs[2 * k + 1], "c2" + std::to_string(k + 1) + ".htm")) << k;
  }
}

TEST(SiteData, PagesAreUtf8AndTheirLinksResolve) {
  const std::regex link(R"re((?:href|src)="([^"]*)")re", std::regex::icase);
  int pages = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kSite)) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".html" && ext != ".htm") continue;
    ++pages;
    const std::string text = Read(entry.path());
    std::string checked;
    EXPECT_TRUE(ConvertCharset(text, "UTF-8", "UTF-8", checked, OnInvalid::Fail)) << entry.path();
    EXPECT_TRUE(Contains(text, "charset=utf-8")) << entry.path();
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
      std::string target = (*it)[1];
      target = target.substr(0, target.find('#'));
      if (target.empty()) continue;
      ASSERT_FALSE(Contains(target, "://")) << entry.path() << ": " << target;
      EXPECT_TRUE(fs::exists(entry.path().parent_path() / target))
          << entry.path() << ": " << target;
    }
  }
  EXPECT_EQ(pages, 20);
}

}  // namespace
}  // namespace vex
