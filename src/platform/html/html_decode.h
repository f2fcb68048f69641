// Turning the bytes of a page into UTF-8 text the way a browser picks the
// encoding: byte-order mark, then the charset of the HTTP Content-Type, then
// a declaration in the first 1024 bytes (meta charset or http-equiv), then
// the XML declaration of an XHTML page, then a guess from the bytes, and
// UTF-8 when nothing tells. Bytes that do not decode become U+FFFD; decoding
// never fails and never loses the page.
#pragma once

#include <string>
#include <string_view>

namespace vex {

struct DecodedPage {
  std::string text;  // UTF-8, without a byte-order mark
  std::string
      encoding;  // the encoding's name ("UTF-8", "Shift_JIS" ...), as EncodingForLabel gives it
};

// `contentType` is the value of the Content-Type header (empty for a file).
DecodedPage DecodePage(std::string_view bytes, std::string_view contentType);

// The charset parameter of a Content-Type value, empty when there is none.
std::string CharsetOfContentType(std::string_view contentType);

// The encoding declared in the first 1024 bytes (meta charset, or
// http-equiv content-type with a charset); empty when there is no
// declaration with a known label.
std::string PrescanCharset(std::string_view bytes);

// The encoding an XML declaration at the very start names
// (`<?xml version="1.0" encoding="ISO-2022-JP"?>`); empty when there is none
// or its label is unknown.
std::string XmlDeclarationCharset(std::string_view bytes);

// The value of one header in a raw header block (CR LF between lines), the
// last one when it repeats; empty when absent.
std::string HeaderValue(std::string_view headerBlock, std::string_view name);

}  // namespace vex
