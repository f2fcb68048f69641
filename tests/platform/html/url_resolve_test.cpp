#include "platform/html/url_resolve.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vex {
namespace {

struct ResolveCase {
  const char* name;
  const char* base;
  const char* reference;
  const char* expected;
};

class ResolveUrlTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveUrlTest, Resolves) {
  const ResolveCase& c = GetParam();
  EXPECT_EQ(ResolveUrl(c.base, c.reference), c.expected);
}

constexpr const char* kRfcBase = "http://a/b/c/d;p?q";

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveUrlTest,
    ::testing::Values(
        // The reference resolution examples of the URI syntax.
        ResolveCase{"other_scheme", kRfcBase, "g:h", "g:h"},
        ResolveCase{"sibling", kRfcBase, "g", "http://a/b/c/g"},
        ResolveCase{"dot_sibling", kRfcBase, "./g", "http://a/b/c/g"},
        ResolveCase{"folder", kRfcBase, "g/", "http://a/b/c/g/"},
        ResolveCase{"absolute_path", kRfcBase, "/g", "http://a/g"},
        ResolveCase{"network_path", kRfcBase, "//g", "http://g/"},
        ResolveCase{"query_only", kRfcBase, "?y", "http://a/b/c/d;p?y"},
        ResolveCase{"fragment_only", kRfcBase, "#s", "http://a/b/c/d;p?q#s"},
        ResolveCase{"empty", kRfcBase, "", "http://a/b/c/d;p?q"},
        ResolveCase{"dot", kRfcBase, ".", "http://a/b/c/"},
        ResolveCase{"dot_dot", kRfcBase, "..", "http://a/b/"},
        ResolveCase{"dot_dot_g", kRfcBase, "../../g", "http://a/g"},
        ResolveCase{"above_root", kRfcBase, "../../../../g", "http://a/g"},
        ResolveCase{"dot_in_middle", kRfcBase, "g/./h", "http://a/b/c/g/h"},
        ResolveCase{"dot_dot_in_middle", kRfcBase, "g/../h", "http://a/b/c/h"},
        ResolveCase{"not_a_dot_segment", kRfcBase, "g..", "http://a/b/c/g.."},
        // What browsers do on top of that.
        ResolveCase{"same_scheme_is_relative", kRfcBase, "http:g", "http://a/b/c/g"},
        ResolveCase{"blanks_and_breaks", "http://a/b/", "  x\n y.html\t", "http://a/b/x%20y.html"},
        ResolveCase{"back_slashes", "http://a/b/", "c\\d.html?x=\\", "http://a/b/c/d.html?x=\\"},
        ResolveCase{"case_of_scheme_and_host", "http://a/", "HTTP://Example.COM",
                    "http://example.com/"},
        ResolveCase{"mail", "http://a/b/", "mailto:x@y.example", "mailto:x@y.example"},
        ResolveCase{"file_sibling", "file:///home/u/site/index.html", "img/a.html",
                    "file:///home/u/site/img/a.html"},
        ResolveCase{"file_parent", "file:///home/u/site/index.html", "../b.html",
                    "file:///home/u/b.html"},
        ResolveCase{"no_base", "", "x.html", "x.html"},
        // Escaped as a browser requests them: each part by its own set,
        // non-ASCII as UTF-8, "%" left as it is.
        ResolveCase{"blank_in_path", "http://a/b/", "a b.html", "http://a/b/a%20b.html"},
        ResolveCase{"non_ascii_everywhere", "http://a/b/", "日.html?q=日 x#日 y",
                    "http://a/b/%E6%97%A5.html?q=%E6%97%A5%20x#%E6%97%A5%20y"},
        ResolveCase{"path_set", "http://a/", "\"<x>`{y}|.html",
                    "http://a/%22%3Cx%3E%60%7By%7D|.html"},
        ResolveCase{"query_set", "http://a/", "p?a='<b>'&c={d}`",
                    "http://a/p?a=%27%3Cb%3E%27&c={d}`"},
        ResolveCase{"fragment_set", "http://a/", "p#'<b>'`?", "http://a/p#'%3Cb%3E'%60?"},
        ResolveCase{"escapes_kept", "http://a/", "a%20b%zz.html?x=%41",
                    "http://a/a%20b%zz.html?x=%41"},
        ResolveCase{"file_blank_and_escape", "file:///home/u/index.html", "my page%2B.html",
                    "file:///home/u/my%20page%2B.html"},
        ResolveCase{"file_localhost", "http://a/", "file://localhost/tmp/x.html",
                    "file:///tmp/x.html"},
        ResolveCase{"other_scheme_left_alone", "http://a/", "mailto:a b@c.example",
                    "mailto:a b@c.example"},
        ResolveCase{"data_address_left_alone", "http://a/", "data:text/html,<a>http://x</a>",
                    "data:text/html,<a>http://x</a>"}),
    [](const ::testing::TestParamInfo<ResolveCase>& info) { return info.param.name; });

TEST(UrlSchemeTest, SchemeInLowerCaseOrNothing) {
  EXPECT_EQ(UrlScheme("HTTP://a/"), "http");
  EXPECT_EQ(UrlScheme(" file:///x"), "file");
  EXPECT_EQ(UrlScheme("data:text/html,http://a/"), "data");
  EXPECT_EQ(UrlScheme("/home/C#/a.html"), "");
  EXPECT_EQ(UrlScheme("a.html?x=http://b/"), "");
}

TEST(FileUrl, RoundTripsPathsAndReadsHostForms) {
  EXPECT_EQ(FileUrlFromPath("/home/a.html"), "file:///home/a.html");
  // The characters of a name that an address would read otherwise.
  EXPECT_EQ(FileUrlFromPath("/home/C#/a b?%41日.html"),
            "file:///home/C%23/a%20b%3F%2541%E6%97%A5.html");
  EXPECT_EQ(PathFromFileUrl(FileUrlFromPath("/home/C#/a b?%41日.html")), "/home/C#/a b?%41日.html");
  EXPECT_EQ(PathFromFileUrl("file:///home/a.html"), "/home/a.html");
  EXPECT_EQ(PathFromFileUrl("FILE:///home/a%20b.html#top"), "/home/a b.html");
  EXPECT_EQ(PathFromFileUrl("file://localhost/tmp/x.htm"), "/tmp/x.htm");
  EXPECT_EQ(PathFromFileUrl("file:/tmp/x.htm"), "/tmp/x.htm");
  EXPECT_EQ(PathFromFileUrl("file://server/share/x.htm"), std::nullopt);
  EXPECT_EQ(PathFromFileUrl("http://a/x.htm"), std::nullopt);
}

}  // namespace
}  // namespace vex
