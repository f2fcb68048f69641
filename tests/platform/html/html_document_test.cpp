#include "platform/html/html_document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/text/line_list.h"

namespace vex::html {
namespace {

std::shared_ptr<Document> LoadFixture(const std::string& name, const std::string& address) {
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(VEXALORN_FIXTURES) + "/html/" + name, bytes)) << name;
  return Document::Parse(bytes, address);
}

std::vector<std::string> Hrefs(Collection c) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < c.length(); ++i) out.push_back(c.item(i).href());
  return out;
}

std::string RootMarkup(Document& doc) {
  return doc.getElementsByTagName("HTML").item(0).outerHTML();
}

TEST(Links, ResolveAgainstTheFirstBaseInDocumentOrder) {
  auto doc = LoadFixture("base_href.html", "http://site.example/page.html");
  EXPECT_EQ(doc->BaseUrl(), "http://example.com/dir/sub/index.html");
  const std::vector<std::string> expected = {
      "http://example.com/dir/sub/page.html",
      "http://example.com/dir/up.html",
      "http://example.com/root.html",
      "http://other.example/x",
      "http://example.com/dir/sub/index.html?q=1",
      "http://example.com/dir/sub/index.html#frag",
      "http://example.com/dir/sub/index.html",
      "mailto:a@example.com",
      "http://example.com/dir/sub/area.html",
      "http://example.com/",
  };
  EXPECT_EQ(Hrefs(doc->links()), expected);
  // The BASE's own href is read against the document's address.
  auto bases = doc->getElementsByTagName("head").item(0).getElementsByTagName("BASE");
  ASSERT_EQ(bases.length(), 2u);
  EXPECT_EQ(bases.item(0).href(), "http://example.com/dir/sub/index.html");
  EXPECT_EQ(doc->links().item(8).tagname(), "AREA");
}

TEST(Links, ResolveAgainstTheFileAddressOfALocalPage) {
  auto doc = LoadFixture("no_base.html", "file:///home/u/site/index.html");
  const std::vector<std::string> expected = {"file:///home/u/site/sibling.html",
                                             "file:///home/u/site/sub/child.html",
                                             "file:///home/u/parent.html"};
  EXPECT_EQ(Hrefs(doc->links()), expected);
}

TEST(Frames, SrcTellsMissingFromEmpty) {
  struct Case {
    const char* fixture;
    const char* tag;
  };
  for (Case c : {Case{"frameset.html", "FRAME"}, Case{"iframes.html", "IFRAME"}}) {
    auto doc = LoadFixture(c.fixture, "http://a.example/");
    Element root = doc->getElementsByTagName("HTML").item(0);
    Collection frames = root.getElementsByTagName(c.tag);
    ASSERT_EQ(frames.length(), 3u) << c.fixture;
    EXPECT_NE(frames.item(0).src(), std::nullopt);
    EXPECT_EQ(frames.item(1).src(), std::nullopt) << c.fixture;
    EXPECT_EQ(frames.item(2).src(), std::string()) << c.fixture;
  }
}

TEST(Frames, AFramesetPageHasNoBodyUntilItsNoFramesContent) {
  auto doc = LoadFixture("frameset.html", "http://a.example/");
  Element root = doc->getElementsByTagName("HTML").item(0);
  EXPECT_EQ(root.getElementsByTagName("HEAD").length(), 1u);
  EXPECT_EQ(root.getElementsByTagName("FRAMESET").length(), 1u);
  EXPECT_EQ(root.getElementsByTagName("BODY").length(), 0u);
  EXPECT_EQ(doc->links().length(), 0u);  // noframes content is text here
  EXPECT_EQ(root.getElementsByTagName("FRAME").item(0).src(), "menu.html");
}

TEST(Colors, BodyTextAndBackgroundAreLegacyColors) {
  struct Case {
    const char* body;
    const char* text;
    const char* bgColor;
  };
  const Case cases[] = {
      {"<body>", "", ""},
      {"<body text=White bgcolor='#fff'>", "#ffffff", "#ffffff"},
      {"<body text=ff0000 bgcolor=black>", "#ff0000", "#000000"},
      {"<body text=\"#FFFFFF\" bgcolor=\"\">", "#ffffff", ""},
  };
  for (const Case& c : cases) {
    auto doc = Document::Parse(std::string("<html><head></head>") + c.body + "x</body></html>", "");
    Element body = doc->getElementsByTagName("BODY").item(0);
    EXPECT_EQ(body.text(), c.text) << c.body;
    EXPECT_EQ(body.bgColor(), c.bgColor) << c.body;
  }
  auto doc = LoadFixture("iframes.html", "");
  Element body = doc->getElementsByTagName("BODY").item(0);
  EXPECT_EQ(body.text(), "#ff0000");
  EXPECT_EQ(body.bgColor(), "#ffffff");
}

TEST(Names, CountByNameOrIdAndOnceForBoth) {
  auto doc = LoadFixture("names.html", "");
  struct Case {
    const char* name;
    std::size_t count;
    const char* firstTag;
  };
  const Case cases[] = {{"top", 1, "A"},   {"section", 1, "H2"},    {"both", 1, "A"},
                        {"dup", 2, "A"},   {"keywords", 1, "META"}, {"TOP", 0, ""},
                        {"missing", 0, ""}};
  for (const Case& c : cases) {
    Collection found = doc->getElementsByName(c.name);
    EXPECT_EQ(found.length(), c.count) << c.name;
    if (c.count > 0) {
      EXPECT_EQ(found.item(0).nodename(), c.firstTag) << c.name;
    }
  }
}

TEST(Names, SeeElementsInsertedLater) {
  auto doc = Document::Parse("<p id=a>x</p>", "");
  EXPECT_EQ(doc->getElementsByName("b").length(), 0u);
  doc->getElementsByTagName("P").item(0).insertAdjacentHtml("AfterEnd", "<a name=b>y</a>");
  EXPECT_EQ(doc->getElementsByName("b").length(), 1u);
}

TEST(Title, ReadsCollapsedAndWritesOrCreates) {
  auto doc = Document::Parse("<title>\n  Two\n  lines </title><p>x", "");
  EXPECT_EQ(doc->title(), "Two lines");
  doc->title("((T)) Two lines");
  EXPECT_EQ(doc->title(), "((T)) Two lines");

  auto bare = Document::Parse("<html><head><meta charset=utf-8></head><body>x</body></html>", "");
  EXPECT_EQ(bare->title(), "");
  bare->title("New & <title>");
  EXPECT_EQ(RootMarkup(*bare),
            "<html><head><meta charset=\"utf-8\"><title>New &amp; &lt;title&gt;</title></head>"
            "<body>x</body></html>");
}

TEST(Serialize, KeepsLinesTagsAndEscapesAsBrowsersDo) {
  const std::string page =
      "<!DOCTYPE html>\n<html lang=ja>\n<head>\n<title>T</title>\n"
      "<style>p > a { color: red }</style>\n</head>\n<body>\n"
      "<p class='a\"b' title='x&amp;y'>1 &lt; 2&nbsp;&amp; 3</p>\n"
      "<br><img src=a.png alt=''>\n<!-- note -->\n"
      "<script>\nif (a < b && c > d) {}\n</script>\n<textarea>&lt;b&gt;</textarea>\n"
      "<svg viewBox='0 0 1 1'><foreignObject></foreignObject></svg>\n"
      "</body>\n</html>\n";
  auto doc = Document::Parse(page, "");
  EXPECT_EQ(RootMarkup(*doc),
            "<html lang=\"ja\"><head>\n<title>T</title>\n"
            "<style>p > a { color: red }</style>\n</head>\n<body>\n"
            "<p class=\"a&quot;b\" title=\"x&amp;y\">1 &lt; 2&nbsp;&amp; 3</p>\n"
            "<br><img src=\"a.png\" alt=\"\">\n<!-- note -->\n"
            "<script>\nif (a < b && c > d) {}\n</script>\n<textarea>&lt;b&gt;</textarea>\n"
            "<svg viewBox=\"0 0 1 1\"><foreignObject></foreignObject></svg>\n"
            "\n\n</body></html>");
  EXPECT_EQ(doc->Serialize().substr(0, 16), "<!DOCTYPE html><");
}

// What a parse of markup holds that could run: element names and event
// handler attributes (name=value), each counted.
std::multiset<std::string> LiveParts(const std::string& markup) {
  std::multiset<std::string> parts;
  auto doc = Document::Parse(markup, "");
  const Collection all = doc->getElementsByTagName("*");
  for (std::size_t i = 0; i < all.length(); ++i) {
    const Node* n = all.item(i).node();
    parts.insert("<" + n->value);
    for (const Attribute& a : n->attributes) {
      if (a.name.starts_with("on")) parts.insert(a.name + "=" + a.value);
    }
  }
  return parts;
}

TEST(Serialize, HostileMarkupGainsNoElementOrHandler) {
  const char* const pages[] = {
      "<p></><x title=\"><img src=x onerror=alert(73)>\" a=></p>",
      "<p></ ><y-z title=\"><script>alert(1)</script>\">t</y-z></p>",
      "<p a\"b=\"><img src=x onerror=alert(2)>\" c<d=1 e'f=2>t</p>",
      "<noscript><p title=\"</noscript><img src=x onerror=alert(3)>\"></p></noscript>",
      "<svg><style>&lt;/style&gt;&lt;img src=x onerror=alert(4)&gt;</style></svg>",
      "<math><mtext><table><mglyph><style><img src=x onerror=alert(5)>",
      "<textarea></textarea><title><img src=x onerror=alert(6)></title>",
      "<div><!DOCTYPE x><!--x--!><img src=x onerror=alert(7)>--></div>",
  };
  for (const char* page : pages) {
    const std::string once = Document::Parse(page, "")->Serialize();
    const auto before = LiveParts(page);
    const auto after = LiveParts(once);
    EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end()))
        << page << "\n  written as: " << once;
  }
}

TEST(Serialize, UnknownElementAfterABogusEndTagKeepsItsName) {
  auto doc = Document::Parse("<p></><x title=\"><b>\" a=>t</x></p>", "");
  EXPECT_EQ(doc->getElementsByTagName("P").item(0).innerHTML(),
            "<x title=\"&gt;&lt;b&gt;\" a=\"\">t</x>");
}

TEST(Serialize, ReadsBackToTheSameTree) {
  for (const char* name : {"base_href.html", "frameset.html", "iframes.html", "names.html",
                           "marks.html", "utf8_plain.html"}) {
    std::string once = LoadFixture(name, "")->Serialize();
    EXPECT_EQ(Document::Parse(once, "")->Serialize(), once) << name;
  }
}

TEST(Insert, MarksGoInsideLinksAndBeforeAreasAndReadBack) {
  auto doc = LoadFixture("marks.html", "file:///tmp/marks.html");
  Collection links = doc->links();
  ASSERT_EQ(links.length(), 2u);
  links.item(0).insertAdjacentHtml("AfterBegin",
                                   "<U title = \"A:http://a.example/?x=1&y=2\">◎</U>");
  links.item(1).insertAdjacentHtml("BeforeBegin", "<U title = \"AREA:http://b.example/\">×</U>");
  links.item(0).insertAdjacentText("BeforeBegin", "(--)<b>");
  links.item(1).insertAdjacentText("afterend", "!");
  links.item(0).insertAdjacentHtml("beforeend", "<font color=#909090>○</font>");
  links.item(0).insertAdjacentHtml("AfterEnd", " tail");
  EXPECT_EQ(links.length(), 2u);
  EXPECT_EQ(
      RootMarkup(*doc),
      "<html><head>\n<title>Marks</title>\n</head>\n<body>\n<p>Links &amp; more:</p>\n"
      "(--)&lt;b&gt;<a href=\"http://a.example/\"><u title=\"A:http://a.example/?x=1&amp;y=2\">"
      "◎</u>first<font color=\"#909090\">○</font></a> tail\n<map name=\"m\">\n"
      "<u title=\"AREA:http://b.example/\">×</u><area href=\"http://b.example/\" alt=\"b\">!\n"
      "</map>\n<script>if (a < b && c > d) {}</script>\n\n\n</body></html>");
}

TEST(Insert, LinksInTheFragmentJoinTheLinkCollection) {
  auto doc = Document::Parse("<p><a href=a>a</a><a href=c>c</a></p>", "http://h/");
  Collection links = doc->links();
  ASSERT_EQ(links.length(), 2u);
  links.item(0).insertAdjacentHtml("AfterEnd", "<a href=b>b</a><span>no link</span>");
  EXPECT_EQ(Hrefs(links), (std::vector<std::string>{"http://h/a", "http://h/b", "http://h/c"}));
}

TEST(Insert, FragmentIsParsedInTheElementsContext) {
  auto doc = Document::Parse("<table><tr><td>x</td></tr></table>", "");
  doc->getElementsByTagName("TR").item(0).insertAdjacentHtml("BeforeEnd", "<td>y</td>");
  doc->getElementsByTagName("HTML").item(0).insertAdjacentHtml("BeforeEnd", "<p>z</p>");
  EXPECT_EQ(doc->getElementsByTagName("TD").length(), 2u);
  EXPECT_EQ(doc->getElementsByTagName("TD").item(1).text(), "y");
  EXPECT_EQ(doc->getElementsByTagName("P").length(), 1u);
}

TEST(Errors, FailingCallsRaiseBrowserError) {
  auto doc = Document::Parse("<p>x</p>", "");
  Element root = doc->getElementsByTagName("HTML").item(0);
  Element p = doc->getElementsByTagName("P").item(0);
  EXPECT_THROW(p.insertAdjacentHtml("Inside", "<b>"), BrowserError);
  EXPECT_THROW(root.insertAdjacentHtml("BeforeBegin", "<b>"), BrowserError);
  EXPECT_THROW(root.insertAdjacentText("AfterEnd", "x"), BrowserError);
  EXPECT_THROW(doc->links().item(0), BrowserError);
  EXPECT_THROW(Element().tagname(), BrowserError);
  EXPECT_EQ(p.document(), doc);
  EXPECT_EQ(p.tagname(), "P");
}

TEST(Elements, HandlesKeepTheirDocumentAlive) {
  Element p;
  {
    auto doc = Document::Parse("<p title=kept>x</p>", "");
    p = doc->getElementsByTagName("p").item(0);
  }
  EXPECT_EQ(p.getAttribute("TITLE"), "kept");
  EXPECT_EQ(p.outerHTML(), "<p title=\"kept\">x</p>");
}

TEST(Elements, DeepNestingNeitherOverflowsNorLosesTags) {
  std::string page;
  for (int i = 0; i < 20000; ++i) page += "<div>";
  page += "deep";
  auto doc = Document::Parse(page, "");
  EXPECT_EQ(doc->getElementsByTagName("DIV").length(), 20000u);
  std::string markup = RootMarkup(*doc);
  EXPECT_NE(markup.find("<div>deep</div>"), std::string::npos);
}

}  // namespace
}  // namespace vex::html
