// Address forms: telling web addresses from local files, turning a "file:///"
// address into a path and testing that the file exists with exactly the
// spelling used, making a frame's address absolute, and path endings.
//
// A "file:///" address maps onto a path by removing "file://" and decoding
// its escapes, so file:///home/a%20b.html is /home/a b.html. The folder
// separator is "/".
#pragma once

#include <string>
#include <string_view>

namespace vex {

struct App;
struct RunState;

// Results of the address and file tests.
inline constexpr int kAddressMissing = -1;  // empty, no such file or folder, or no known form
inline constexpr int kAddressExact = 0;     // exists as written (or a web address)
inline constexpr int kAddressMisspelt = 1;  // exists, but written otherwise than stored

// Whether the found file's text is loaded for the jump check (links only).
enum class PageText { Skip, Load };
// Whether the address is the target being checked, or a link of its page. Only
// the target's decoded form replaces CurrentTarget.
enum class AddressRole { Target, Link };
// Which part of an address BaseOfAddress returns.
enum class AddressBase { Folder, Root };

// 0 for a web address ("http://", "https://"); for a "file:///" address 0 when
// files are accepted as such, else the file test of CheckFileAddress; -1
// otherwise. The address is trimmed first.
[[nodiscard]] int UrlKind(App& app, std::string_view address, bool acceptFiles);
[[nodiscard]] int UrlKind(RunState& state, std::string_view address, bool acceptFiles);

// Whether a link is requested as a web link: by its scheme, "http:", or
// "https:" when https links are probed.
[[nodiscard]] bool IsProbedWebLink(const RunState& state, std::string_view link);
// Whether an address (upper-cased) is a web page the run fetches through the
// HTTP client: "HTTP://...", or "HTTPS://..." when https links are probed.
[[nodiscard]] bool IsProbedWebPage(const RunState& state, std::string_view upperAddress);

// The file test of a "file:///" address or a path, as written. Every escape
// of an address is decoded (as UTF-8 bytes) and "file://localhost/" is
// "file:///"; for the target a decoded path becomes CurrentTarget. A found
// file of a link is loaded into LocalFileLines and its upper-cased text into
// LinkPageText in L-Page mode when asked.
[[nodiscard]] int CheckFileAddress(App& app, std::string_view address, PageText pageText,
                                   AddressRole role);
[[nodiscard]] int CheckFileAddress(RunState& state, std::string_view address, PageText pageText,
                                   AddressRole role);

// 0 when the path exists and is written exactly as stored, absolute and in
// normal form (a single final "/" on a folder is allowed); 1 when it exists
// only with letter case ignored, or is relative, or holds "./", "../", a
// doubled "/" or blanks around it; -1 when nothing of that name exists. A
// relative path is looked up against the current folder, which is never
// changed.
[[nodiscard]] int CheckLocalPath(std::string_view path);

// The folder part (up to the last "/" before any query) or the root part
// (scheme, "//", host and one "/") of an address. For a plain path the root
// part is its first folder ("/" for an absolute path).
std::string BaseOfAddress(std::string_view address, AddressBase part);

// A frame's SRC made absolute against the page address.
std::string ResolveFrameAddress(std::string_view src, std::string_view pageAddress);
// Against CurrentTarget.
std::string ResolveFrameAddress(const RunState& state, std::string_view src);

// The text without the ending when it ends with it, else unchanged.
std::string StripSuffix(std::string_view text, std::string_view ending);
// The text with the ending appended when it does not end with it already.
std::string EnsureSuffix(std::string_view text, std::string_view ending);

}  // namespace vex
