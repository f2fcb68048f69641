// Resolving a link reference against a base address (the generic URI
// reference resolution), with the few clean-ups a browser applies before it:
// surrounding blanks, tabs and line breaks dropped, back slashes read as
// slashes in web and file addresses, scheme written in lower case, an empty
// path of a web address written as "/", "file://localhost/" read as
// "file:///", and in web and file addresses the characters a browser escapes
// percent-encoded (blanks, quotes, angle brackets, control characters and
// every non-ASCII byte of the UTF-8 text among them).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vex {

// The absolute address of `reference` seen from `base`. When `base` is not an
// absolute address either, a relative reference comes back cleaned only.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// "/home/a b.html" -> "file:///home/a%20b.html": the characters ResolveUrl
// escapes in a path are escaped, and "%", "#" and "?", which are part of a
// file's name.
std::string FileUrlFromPath(std::string_view absolutePath);

// The scheme of an address in lower case ("http", "mailto"), empty when the
// text begins with none.
std::string UrlScheme(std::string_view address);

// "file:///home/a%20b.html" -> "/home/a b.html"; also "file://localhost/..."
// and "file:/home/...". Nothing for other addresses or another host.
std::optional<std::string> PathFromFileUrl(std::string_view url);

}  // namespace vex
