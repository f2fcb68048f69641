// Line-oriented tests and edits on HTML source: is a local file an HTML
// document, and the prepared page built from a page's source lines (BASE
// element after the HEAD start tag, character-set declarations naming the
// saved encoding, header block after the BODY start tag).
#pragma once

#include <string>

namespace vex {

struct App;

// Whether the local file looks like an HTML document: an html start tag (or
// an HTML doctype) among its first 50 lines. Any read failure answers no.
[[nodiscard]] bool IsHtmlFile(const std::string& path);

// Builds app.state.WorkLines from app.state.SourceLines. `baseAddress` is the
// page's own BASE address, empty when it has none (the target is used then).
// Consumes the header block (Memo1) and sets app.state.NoHeaderBlock.
void x_EditHtml(App& app, const std::string& baseAddress);

// The k-th piece (from 0) of a line holding the HEAD start tag, in the order
// x_EditHtml writes them; empty when the line has no HEAD start tag or no
// k-th piece. The BASE piece carries Edit2's text.
std::string x_HeadPiece(App& app, int k, const std::string& line);

// The address written into the BASE element for a target: a web (or other
// scheme) address as it is, a local path as the file:/// address of its
// absolute path with everything an address cannot carry percent-encoded.
std::string BaseAddressForTarget(const std::string& target);

}  // namespace vex
