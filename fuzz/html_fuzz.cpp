// Page bytes -> decoding -> document -> links -> a mark into every link ->
// markup -> document again. Beyond crashes and sanitizer reports, the markup
// we write must not hold an element or an event handler that the page's own
// parse did not have: result pages are opened in browsers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "platform/html/html_decode.h"
#include "platform/html/html_document.h"

namespace {

using vex::html::Document;

struct LiveParts {
  std::set<std::string> elements;
  std::set<std::string> handlers;
};

LiveParts PartsOf(Document& doc) {
  LiveParts parts;
  const vex::html::Collection all = doc.getElementsByTagName("*");
  for (std::size_t i = 0; i < all.length(); ++i) {
    const vex::html::Node* n = all.item(i).node();
    parts.elements.insert(n->value);
    for (const vex::html::Attribute& a : n->attributes) {
      if (a.name.size() > 2 && (a.name[0] == 'o' || a.name[0] == 'O') &&
          (a.name[1] == 'n' || a.name[1] == 'N')) {
        parts.handlers.insert(a.name + "=" + a.value);
      }
    }
  }
  return parts;
}

void Fail(const char* what, const std::string& item, const std::string& markup) {
  std::fprintf(stderr, "new %s in the written markup: %s\n--- markup ---\n%s\n", what, item.c_str(),
               markup.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the Content-Type's charset, so that declared
  // encodings other than the page's own are tried too.
  static constexpr std::string_view kTypes[] = {
      "", "text/html; charset=utf-8", "text/html; charset=shift_jis", "text/html; charset=euc-jp",
      "text/html; charset=iso-2022-jp"};
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string_view type;
  if (!bytes.empty()) {
    type = kTypes[static_cast<unsigned char>(bytes[0]) % std::size(kTypes)];
    bytes.remove_prefix(1);
  }
  const vex::DecodedPage page = vex::DecodePage(bytes, type);
  auto doc = Document::Parse(page.text, "http://127.0.0.1/dir/page.html");
  LiveParts allowed = PartsOf(*doc);
  allowed.elements.insert("font");  // the mark's own element

  const vex::html::Collection links = doc->links();
  for (std::size_t i = 0; i < links.length(); ++i) {
    const vex::html::Element link = links.item(i);
    (void)link.href();
    try {
      link.insertAdjacentHtml("BeforeEnd", "<FONT color=#909090>(OK)</FONT>");
    } catch (const vex::BrowserError&) {
    }
  }
  (void)doc->title();
  (void)doc->BaseUrl();
  const std::string markup = doc->Serialize();

  auto again = Document::Parse(markup, "http://127.0.0.1/dir/page.html");
  const LiveParts written = PartsOf(*again);
  for (const std::string& e : written.elements) {
    if (!allowed.elements.contains(e)) Fail("element", e, markup);
  }
  for (const std::string& h : written.handlers) {
    if (!allowed.handlers.contains(h)) Fail("event handler", h, markup);
  }
  return 0;
}
