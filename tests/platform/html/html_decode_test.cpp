#include "platform/html/html_decode.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/html/html_document.h"
#include "platform/text/line_list.h"

namespace vex {
namespace {

std::string Fixture(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(VEXALORN_FIXTURES) + "/html/" + name, bytes)) << name;
  return bytes;
}

constexpr const char* kJapaneseTitle = "日本語のページ";
constexpr const char* kLatinTitle = "Café “quoted”";

struct PageCase {
  const char* name;
  const char* fixture;
  const char* contentType;  // of the HTTP response; empty for a local file
  const char* encoding;
  const char* title;
};

class DecodePageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(DecodePageTest, PicksTheEncodingAndReadsTheTitle) {
  const PageCase& c = GetParam();
  DecodedPage page = DecodePage(Fixture(c.fixture), c.contentType);
  EXPECT_EQ(page.encoding, c.encoding);
  auto doc = html::Document::Parse(page.text, "file:///x.html");
  EXPECT_EQ(doc->title(), c.title);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DecodePageTest,
    ::testing::Values(
        PageCase{"shift_jis_in_meta", "sjis_meta.html", "", "Shift_JIS", kJapaneseTitle},
        PageCase{"euc_jp_in_http_equiv", "eucjp_meta.html", "", "EUC-JP", kJapaneseTitle},
        PageCase{"iso_2022_jp_upper_case_meta", "iso2022jp_meta.html", "", "ISO-2022-JP",
                 kJapaneseTitle},
        PageCase{"utf8_with_bom", "utf8_bom.html", "", "UTF-8", kJapaneseTitle},
        PageCase{"utf8_without_declaration", "utf8_plain.html", "", "UTF-8", kJapaneseTitle},
        PageCase{"bom_beats_header", "utf8_bom.html", "text/html; charset=Shift_JIS", "UTF-8",
                 kJapaneseTitle},
        PageCase{"header_beats_meta", "sjis_meta.html", "text/html; charset=\"shift_jis\"",
                 "Shift_JIS", kJapaneseTitle},
        PageCase{"latin1_in_meta", "latin1_meta.html", "", "windows-1252", kLatinTitle},
        PageCase{"latin1_in_header_only", "latin1_plain.html", "text/html;charset=ISO-8859-1",
                 "windows-1252", kLatinTitle},
        PageCase{"unknown_header_label_falls_to_meta", "latin1_meta.html",
                 "text/html; charset=x-no-such", "windows-1252", kLatinTitle},
        // Declared nowhere: told by its bytes.
        PageCase{"latin1_declared_nowhere", "latin1_plain.html", "", "windows-1252", kLatinTitle}),
    [](const ::testing::TestParamInfo<PageCase>& info) { return info.param.name; });

struct PrescanCase {
  const char* name;
  const char* head;
  const char* encoding;
};

class PrescanTest : public ::testing::TestWithParam<PrescanCase> {};

TEST_P(PrescanTest, FindsTheDeclaration) {
  EXPECT_EQ(PrescanCharset(GetParam().head), GetParam().encoding);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrescanTest,
    ::testing::Values(
        PrescanCase{"charset", "<meta charset=euc-jp>", "EUC-JP"},
        PrescanCase{"slash_after_meta", "<meta/charset='sjis'>", "Shift_JIS"},
        PrescanCase{"pragma_needed", "<meta content='text/html; charset=euc-jp'>", ""},
        PrescanCase{"pragma_after_content",
                    "<meta content=\"text/html; charset=euc-jp\" http-equiv=Content-Type>",
                    "EUC-JP"},
        PrescanCase{"inside_comment", "<!-- <meta charset=euc-jp> --><p>", ""},
        PrescanCase{"in_other_tag_attribute", "<p title='<meta charset=euc-jp>'>", ""},
        PrescanCase{"unknown_then_known", "<meta charset=bogus><meta charset=iso-8859-1>",
                    "windows-1252"},
        PrescanCase{"utf16_declared_means_utf8", "<meta charset=utf-16>", "UTF-8"},
        PrescanCase{"ascii_label", "<meta charset=us-ascii>", "windows-1252"},
        PrescanCase{"other_iconv_name", "<meta charset=iso-8859-2>", "ISO-8859-2"},
        PrescanCase{"none", "<html><head><title>x</title>", ""}),
    [](const ::testing::TestParamInfo<PrescanCase>& info) { return info.param.name; });

// The title 日本 in ISO-2022-JP, and 日本のページ in Shift_JIS.
constexpr const char* kJisTitle = "<title>\x1B$B\x46\x7C\x4B\x5C\x1B(B</title>";
constexpr const char* kSjisTitle =
    "<title>\x93\xFA\x96\x7B\x82\xCC\x83\x79\x81\x5B\x83\x57</title>";

TEST(DecodePage, ReadsTheXmlDeclarationAfterTheMetaDeclaration) {
  const struct {
    const char* name;
    std::string page;
    const char* encoding;
  } cases[] = {
      {"xml_declaration",
       std::string("<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n<html>") + kJisTitle,
       "ISO-2022-JP"},
      {"single_quotes_and_other_label",
       std::string("<?xml version='1.0' encoding = 'x-sjis' ?><html>") + kSjisTitle, "Shift_JIS"},
      {"meta_before_xml",
       std::string("<?xml version=\"1.0\" encoding=\"EUC-JP\"?><meta "
                   "charset=shift_jis>") +
           kSjisTitle,
       "Shift_JIS"},
      {"not_at_the_start_is_no_declaration",
       std::string(" <?xml version=\"1.0\" encoding=\"EUC-JP\"?><html>") + kSjisTitle, "Shift_JIS"},
      {"utf16_named_means_utf8",
       "<?xml version=\"1.0\" encoding=\"UTF-16\"?><title>\xE6\x97\xA5</title>", "UTF-8"},
  };
  for (const auto& c : cases) {
    const DecodedPage page = DecodePage(c.page, "");
    EXPECT_EQ(page.encoding, c.encoding) << c.name;
    EXPECT_NE(page.text.find("<title>"), std::string::npos) << c.name;
  }
  EXPECT_EQ(XmlDeclarationCharset("<?xml version=\"1.0\" encoding=\"bogus\"?>"), "");
  EXPECT_EQ(XmlDeclarationCharset("<?xml version=\"1.0\"?><meta charset=euc-jp>"), "");
}

TEST(DecodePage, UndeclaredJapanesePagesAreDetected) {
  const std::string page = std::string("<?xml version=\"1.0\"?>\n<html><head>") + kJisTitle +
                           "</head><body><a href=\"a.html\">\x1B$B%j%s%/\x1B(B</a></body></html>";
  const DecodedPage decoded = DecodePage(page, "");
  EXPECT_EQ(decoded.encoding, "ISO-2022-JP");
  auto doc = html::Document::Parse(decoded.text, "file:///x.html");
  EXPECT_EQ(doc->title(), "日本");
  EXPECT_EQ(doc->links().length(), 1u);
}

TEST(DecodePage, DeclarationBeyondTheFirst1024BytesIsNotSeen) {
  std::string page = "<html><head><!--" + std::string(1100, 'x') + "--><meta charset=euc-jp>";
  EXPECT_EQ(DecodePage(page, "").encoding, "UTF-8");
}

TEST(DecodePage, InvalidBytesBecomeReplacementCharacters) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* contentType;
    std::string text;
  };
  const Case cases[] = {
      {"utf8_cut_sequence",
       "a\xE6\x97"
       "b",
       "text/html; charset=utf-8",
       "a\xEF\xBF\xBD"
       "b"},
      {"utf8_surrogate", "\xED\xA0\x80", "text/html; charset=utf-8",
       "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"sjis_bad_trail", "<p>\x82</p>", "text/html; charset=shift_jis", "<p>\xEF\xBF\xBD</p>"},
      {"cp1252_gap_kept", "\x81\x80", "text/html; charset=latin1", "\xC2\x81\xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodePage(c.bytes, c.contentType).text, c.text) << c.name;
  }
}

TEST(HeaderValue, FindsTheLastOccurrenceInAnyCase) {
  std::string block =
      "HTTP/1.1 200 OK\r\ncontent-type: text/plain\r\nX: y\r\nContent-Type:  text/html; "
      "charset=EUC-JP \r\n\r\n";
  EXPECT_EQ(HeaderValue(block, "Content-Type"), "text/html; charset=EUC-JP");
  EXPECT_EQ(CharsetOfContentType(HeaderValue(block, "Content-Type")), "EUC-JP");
  EXPECT_EQ(HeaderValue(block, "Location"), "");
}

}  // namespace
}  // namespace vex
