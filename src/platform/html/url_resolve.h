// Resolving a link reference against a base address (the generic URI
// reference resolution), with the few clean-ups a browser applies before it:
// surrounding blanks, tabs and line breaks dropped, back slashes read as
// slashes in web and file addresses, scheme written in lower case, and an
// empty path of a web address written as "/". Characters are not escaped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vex {

// The absolute address of `reference` seen from `base`. When `base` is not an
// absolute address either, a relative reference comes back cleaned only.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// "/home/a.html" -> "file:///home/a.html" (the path is taken as it is).
std::string FileUrlFromPath(std::string_view absolutePath);

// "file:///home/a%20b.html" -> "/home/a b.html"; also "file://localhost/..."
// and "file:/home/...". Nothing for other addresses or another host.
std::optional<std::string> PathFromFileUrl(std::string_view url);

}  // namespace vex
