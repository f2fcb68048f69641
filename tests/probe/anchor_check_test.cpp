#include "probe/anchor_check.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "context/app.h"
#include "context/browser.h"
#include "platform/html/html_document.h"
#include "support/probe_site.h"

namespace vex {
namespace {

using testing::ProbeContext;
using testing::SiteUrl;

// --- phrases, tags and the jump note -------------------------------------------

struct PhraseCase {
  const char* name;
  std::string text;
  std::string expected;
};

class FindMovedPhraseTest : public ::testing::TestWithParam<PhraseCase> {};

TEST_P(FindMovedPhraseTest, Note) {
  EXPECT_EQ(FindMovedPhrase(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FindMovedPhraseTest,
    ::testing::Values(PhraseCase{"none", "<HTML><BODY>WELCOME</BODY></HTML>", ""},
                      PhraseCase{"empty", "", ""},
                      PhraseCase{"automatic_jump_at_byte_position", "ab自動ジャンプ", "1:3"},
                      PhraseCase{"moved_in_table_order", "閉鎖 移転しました", "5:8"},
                      PhraseCase{"last_japanese_phrase", "サーバーが見つかりません", "23:1"},
                      PhraseCase{"japanese_before_english", "MOVED 工事中", "20:7"},
                      PhraseCase{"english_any_case", "this page has Moved", "e0"},
                      PhraseCase{"not_found", "nOt FoUnD", "e1"},
                      PhraseCase{"forbidden", "403 FORBIDDEN", "e3"},
                      PhraseCase{"half_a_phrase", "NOT FOUN", ""},
                      PhraseCase{"inside_a_longer_word", "ITEMS REMOVED; UNMOVED", ""},
                      PhraseCase{"word_after_a_longer_one", "REMOVED, THEN MOVED.", "e0"},
                      PhraseCase{"digits_join_a_word", "ERROR 4031 NOT FOUND2", ""},
                      PhraseCase{"at_both_ends_of_the_text", "moved", "e0"},
                      PhraseCase{"beside_japanese", "ページはmovedしました", "e0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IsBodyTagTest, HeadOnlyNamesAndEmpty) {
  for (const char* tag : {"A", "DIV", "H2", "P", "IMG", "meta"}) EXPECT_TRUE(IsBodyTag(tag)) << tag;
  for (const char* tag : {"", "BASE", "BGSOUND", "LINK", "META", "NEXTID", "STYLE", "TITLE"}) {
    EXPECT_FALSE(IsBodyTag(tag)) << tag;
  }
}

struct JumpCase {
  const char* name;
  std::string pageText;
  std::string expected;
};

class CheckJumpTest : public ::testing::TestWithParam<JumpCase> {};

TEST_P(CheckJumpTest, Note) {
  ProbeContext ctx;
  ctx.app.state.LinkPageText = GetParam().pageText;
  EXPECT_EQ(CheckJump(ctx.app), GetParam().expected);
  EXPECT_EQ(ctx.app.state.Flags[FlagJump], GetParam().expected.empty() ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CheckJumpTest,
    ::testing::Values(
        JumpCase{"empty", "", ""},
        JumpCase{"refresh_in_head",
                 "<HTML><HEAD><META HTTP-EQUIV=\"REFRESH\" CONTENT=\"0\"></HEAD><BODY>", "(J)"},
        JumpCase{"refresh_without_head_end", "<META HTTP-EQUIV=REFRESH CONTENT=0>", "(J)"},
        JumpCase{"refresh_words_after_head", "<HTML><HEAD></HEAD><BODY>HTTP-EQUIV REFRESH</BODY>",
                 ""},
        JumpCase{"refresh_before_http_equiv", "<HEAD>REFRESH <META HTTP-EQUIV=X></HEAD>", ""},
        JumpCase{"moved_phrase_in_body", "<HEAD></HEAD><BODY>移転のお知らせ</BODY>", "(J?)"},
        JumpCase{"english_phrase_after_head", "<HEAD></HEAD><BODY>NOT FOUND</BODY>", "(J?)"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the anchor browser ----------------------------------------------------------

// A browser that fails in a chosen way; it records what was asked of it.
class FailingBrowser final : public Browser {
 public:
  enum class Failure { Navigate, NeverReady };
  FailingBrowser(Failure failure, int& quits) : failure_(failure), quits_(quits) {}

  void Navigate(const std::string&) override {
    if (failure_ == Failure::Navigate) throw BrowserError("navigation failed");
  }
  void Gohome() override {}
  bool busy() override { return true; }
  int readystate() override { return 1; }
  void stop() override {}
  bool offline() override { return false; }
  std::shared_ptr<html::Document> Document() override {
    return html::Document::Empty("about:blank", "loading");
  }
  void Quit() override { ++quits_; }
  void Visible(bool) override {}
  void Silent(bool) override {}
  void Offline(bool) override {}
  std::string LoadError() const override { return {}; }

 private:
  Failure failure_;
  int& quits_;
};

TEST(CheckAnchorTest, FailedBrowserIsReplacedOnceAfterAPause) {
  ProbeContext ctx;
  int quits = 0;
  ctx.app.AnchorBrowser =
      std::make_unique<FailingBrowser>(FailingBrowser::Failure::Navigate, quits);
  ctx.app.state.AnchorPageUrl = "http://127.0.0.1/elsewhere";
  const std::int64_t before = testing::SiteClock().NowMs();
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), "byname"), "#◎");
  EXPECT_EQ(quits, 1);
  EXPECT_GE(testing::SiteClock().NowMs() - before, kBrowserReplacePauseMs);
  EXPECT_EQ(ctx.app.main.Edit4, SiteUrl("/anchors"));
  EXPECT_EQ(ctx.app.state.AnchorPageUrl, SiteUrl("/anchors"));
  ASSERT_NE(ctx.app.AnchorBrowser, nullptr);
}

TEST(CheckAnchorTest, BrowserThatNeverAnswers) {
  for (int charMode : {0, 1}) {
    ProbeContext ctx;
    int quits = 0;
    ctx.app.state.CharMode = charMode;
    ctx.app.state.JumpMode = 1;
    ctx.app.state.LinkPageText = "<META HTTP-EQUIV=REFRESH>";
    ctx.app.AnchorBrowser =
        std::make_unique<FailingBrowser>(FailingBrowser::Failure::NeverReady, quits);
    // The jump note is dropped with the browser text.
    EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), "byname"),
              charMode == 0 ? "?IEが応答しません?" : "?IE TimeOut?");
    EXPECT_EQ(ctx.app.AnchorBrowser, nullptr);
    EXPECT_EQ(ctx.app.state.AnchorPageUrl, "");
    EXPECT_EQ(ctx.app.state.Flags[FlagAnchor], 0);
  }
}

TEST(CheckAnchorTest, CancelDuringTheWait) {
  for (int charMode : {0, 1}) {
    ProbeContext ctx;
    ctx.app.state.CharMode = charMode;
    ctx.app.state.CancelFlag = -1;
    EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), "byname"),
              charMode == 0 ? "?キャンセルされました?" : "?Canceled?");
    EXPECT_EQ(ctx.app.AnchorBrowser, nullptr);
    EXPECT_EQ(ctx.app.state.Flags[FlagAnchor], 0);
  }
}

TEST(CheckAnchorTest, ProgressMarkersAndNoBrowserWithoutFragment) {
  ProbeContext ctx;
  ctx.app.state.JumpMode = 1;
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), std::nullopt), "");
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), std::string()), "");
  EXPECT_EQ(ctx.app.AnchorBrowser, nullptr);
  EXPECT_EQ(ctx.app.progress.Label2, "jj");
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), "byid"), "#◎");
  EXPECT_EQ(ctx.app.progress.Label2, "n>jjj");
}

TEST(CheckAnchorTest, LongFragmentIsLookedUpByItsFirstBytes) {
  ProbeContext ctx;
  const std::string name(testing::kLongAnchorBytes, 'n');
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), name + "tail"), "#◎");
  // A cut never ends inside a character (the name has no such prefix).
  EXPECT_EQ(CheckAnchor(ctx.app, SiteUrl("/anchors"), name.substr(2) + "\xE6\x97\xA5"), "#×");
}

}  // namespace
}  // namespace vex
