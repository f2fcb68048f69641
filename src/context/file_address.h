// Local paths as file:/// addresses, for attributes of the pages we write
// (the BASE element of a prepared page, links of the summary report).
#pragma once

#include <string>
#include <string_view>

namespace vex {

// Whether the text is an address rather than a local path: a scheme of two or
// more characters followed by "://", or "file:".
bool HasAddressScheme(std::string_view text);

// Percent-encodes a path for an address: unreserved characters, "/" and the
// sub-delimiters other than "&" stay; blanks, "#", "%", "?", "&", quotes,
// angle brackets, control characters and every non-ASCII byte are encoded, so
// the address means the same inside an attribute whatever the page's
// declared character set.
std::string PercentEncodePath(std::string_view path);

// An address as written into an attribute value of the pages we write:
// quotes, angle brackets, blanks and control characters percent-encoded, as
// a browser reports such an address, and "&" written as "&amp;". A page's
// own BASE or a typed target then stays one attribute value.
std::string AddressForAttribute(std::string_view address);

// "file://" + the encoded absolute path (made absolute against the current
// folder, with "." and ".." segments removed).
std::string FileAddressForPath(const std::string& path);

}  // namespace vex
