#include "platform/html/html_nesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/html/html_document.h"

namespace vex::html {
namespace {

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// The most elements open at once in the parsed page.
std::size_t Depth(const std::string& page) {
  auto doc = Document::Parse(page, "");
  std::size_t deepest = 0;
  const Collection all = doc->getElementsByTagName("*");
  for (std::size_t i = 0; i < all.length(); ++i) {
    std::size_t d = 0;
    for (const Node* n = all.item(i).node(); n->kind != NodeKind::Document; n = n->parent) ++d;
    deepest = std::max(deepest, d);
  }
  return deepest;
}

// Usual pages, long ones among them, pass as they are.
TEST(BoundNesting, UsualPagesAreLeftAlone) {
  const std::string pages[] = {
      "<ul>" + Repeat("<li><a href=x.html>x</a>", 3000) + "</ul>",
      Repeat("<p>para<br>", 3000),
      "<dl>" + Repeat("<dt>t<dd>d", 2000) + "</dl>",
      "<table>" + Repeat("<tr><td>a<td>b", 2000) + "</table>",
      "<select>" + Repeat("<option>o", 2000) + "</select>",
      Repeat("<div><img src=a.gif><hr></div>", 3000),
      "<svg>" + Repeat("<path d='M0 0'/>", 3000) + "</svg>",
      "<script>" + Repeat("if (a<b) { '<div>' }", 3000) + "</script>",
      "<!--" + Repeat("<div>", 3000) + "-->",
      "<p title='" + Repeat("<div>", 3000) + "'>x</p>",
  };
  for (const std::string& page : pages) EXPECT_FALSE(BoundNesting(page)) << page.substr(0, 40);
}

TEST(BoundNesting, DeeperElementsBecomeSiblings) {
  struct Case {
    std::string page;
    std::string tag;
    std::size_t count;
  };
  const Case cases[] = {
      {Repeat("<div>", 20000) + "deep", "DIV", 20000},
      {Repeat("<div/>", 20000), "DIV", 20000},
      {Repeat("<b><i>", 10000), "I", 10000},
      {Repeat("<table><tr><td>", 5000), "TD", 5000},
      {Repeat("<ul><li>", 10000), "LI", 10000},
      {"<svg>" + Repeat("<g>", 20000), "G", 20000},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> bounded = BoundNesting(c.page);
    ASSERT_TRUE(bounded) << c.page.substr(0, 40);
    EXPECT_LE(Depth(c.page), kMaxNestingDepth + 8) << c.page.substr(0, 40);
    EXPECT_EQ(Document::Parse(c.page, "")->getElementsByTagName(c.tag).length(), c.count)
        << c.page.substr(0, 40);
  }
}

TEST(BoundNesting, EndTagsGoBeforeTheStartTagThatWouldGoTooDeep) {
  EXPECT_EQ(BoundNesting("<div><p><span>a<b>b</b></span>", 3),
            "<div><p><span>a</span><b>b</b></span>");
  EXPECT_EQ(BoundNesting("<div><div></div><div><div>", 2), "<div><div></div><div></div><div>");
}

}  // namespace
}  // namespace vex::html
