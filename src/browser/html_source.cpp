#include "browser/html_source.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "context/app.h"
#include "context/browser.h"
#include "context/file_address.h"
#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {

namespace {

// ---- IsHtmlFile ----------------------------------------------------------

constexpr int kHtmlSearchLines = 50;

// Reads lines ended by CR LF, lone CR or lone LF, one at a time, so that a
// large file is never read beyond the lines looked at, and never beyond the
// page limit (a file of one endless line). Only regular files are read. A
// read error ends the lines like the end of the file.
class LineReader {
 public:
  explicit LineReader(const std::string& path) : handle_(OpenRegularFile(path)) {}
  bool ok() const { return file_ != nullptr; }

  // False at the end of the file (or on a read error) with nothing read.
  bool Next(std::string& line) {
    line.clear();
    if (!file_) return false;
    bool any = false;
    int c;
    while (left_ > 0 && (c = std::getc(file_)) != EOF) {
      --left_;
      any = true;
      if (c == '\n') return true;
      if (c == '\r') {
        const int next = std::getc(file_);
        if (next != '\n' && next != EOF) std::ungetc(next, file_);
        return true;
      }
      line.push_back(static_cast<char>(c));
    }
    return any && !std::ferror(file_);
  }

 private:
  FileHandle handle_;
  std::FILE* file_ = handle_.get();
  std::size_t left_ = kMaxPageBytes;
};

bool IsBlankByte(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether the (upper-cased, trimmed) text after "<HTML" continues an html
// start tag. `separated` tells whether blanks or a line end came between.
bool ContinuesHtmlTag(const std::string& rest, bool separated) {
  for (std::string_view first : {"XMLNS", "LANG", "DIR", "TITLE"}) {
    if (StartsWith(rest, first)) return true;
  }
  if (rest.empty()) return false;
  // "<HTML >", or any attribute: class, data-*, style ...
  return separated && (rest[0] == '>' || IsAsciiLetter(rest[0]));
}

// ---- x_EditHtml ----------------------------------------------------------

// The saved pages are UTF-8, so every declaration of another Japanese or
// legacy set is made to name it. Only the listed text is replaced.
constexpr std::string_view kUtf8Declaration = "charset=utf-8";
struct CharsetReplacement {
  std::string_view searched;
  std::string_view replacement;
};
constexpr std::array<CharsetReplacement, 16> kCharsetReplacements{{
    {"CHARSET=euc-jp", kUtf8Declaration},
    {"CHARSET=UTF-8", kUtf8Declaration},
    {"<META content=ReadmeVB name=MS-HAID>", ""},
    {"CHARSET=X-EUC-JP", kUtf8Declaration},
    {"CHARSET=ISO-2022-JP", kUtf8Declaration},
    {"CHARSET=CSISO2022JP", kUtf8Declaration},
    {"CHARSET=ISO-8859", kUtf8Declaration},
    {"CHARSET=CSEUCPKDFMTJAPANESE", kUtf8Declaration},
    {"CHARSET=EXTENDED_UNIX_CODE_PACKED_FORMAT_FOR_JAPANESE", kUtf8Declaration},
    {"CHARSET=shift_jis", kUtf8Declaration},
    {"CHARSET=x-sjis", kUtf8Declaration},
    {"CHARSET=sjis", kUtf8Declaration},
    {"CHARSET=windows-31j", kUtf8Declaration},
    {"CHARSET=cp932", kUtf8Declaration},
    {"CHARSET=ms_kanji", kUtf8Declaration},
    {"CHARSET=csshiftjis", kUtf8Declaration},
}};

std::string ReplaceCharsetDeclarations(std::string line) {
  for (const auto& r : kCharsetReplacements) {
    line = ReplaceAllIgnoreCase(line, r.searched, r.replacement);
  }
  return line;
}

bool IsTagSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// In a content attribute ("text/html; charset=shift_jis"), every charset
// parameter names utf-8.
std::string ContentNamingUtf8(std::string value) {
  std::size_t from = 0;
  while (true) {
    const std::size_t word = LowerAscii(value).find("charset", from);
    if (word == std::string::npos) return value;
    std::size_t at = word + 7;
    while (at < value.size() && IsTagSpace(value[at])) ++at;
    from = at;
    if (at >= value.size() || value[at] != '=') continue;
    ++at;
    while (at < value.size() && IsTagSpace(value[at])) ++at;
    const bool quoted = at < value.size() && (value[at] == '"' || value[at] == '\'');
    const char quote = quoted ? value[at] : '\0';
    if (quoted) ++at;
    std::size_t end = at;
    while (end < value.size() && value[end] != ';' && !IsTagSpace(value[end]) &&
           value[end] != quote) {
      ++end;
    }
    value.replace(at, end - at, "utf-8");
    from = at + 5;
  }
}

// Every META element of the line declares utf-8: its charset attribute, and
// the charset named in its content attribute. The saved pages are UTF-8, and
// a reader that does not look for the byte-order mark (a script, an editor, a
// validator) goes by the declaration. Text outside META tags stays as it is.
std::string MetaTagsNamingUtf8(const std::string& line) {
  const std::string lower = LowerAscii(line);
  std::string out;
  std::size_t at = 0;
  while (true) {
    const std::size_t meta = lower.find("<meta", at);
    if (meta == std::string::npos) break;
    out.append(line, at, meta + 5 - at);
    at = meta + 5;
    if (at >= line.size() || !(IsTagSpace(line[at]) || line[at] == '/')) continue;
    std::size_t p = at;
    // One attribute after another up to the tag's end.
    while (p < line.size() && line[p] != '>') {
      if (IsTagSpace(line[p]) || line[p] == '/') {
        out += line[p++];
        continue;
      }
      const std::size_t nameStart = p;
      while (p < line.size() && line[p] != '=' && line[p] != '>' && !IsTagSpace(line[p]) &&
             line[p] != '/') {
        ++p;
      }
      const std::string_view name = std::string_view(lower).substr(nameStart, p - nameStart);
      out.append(line, nameStart, p - nameStart);
      std::size_t q = p;
      while (q < line.size() && IsTagSpace(line[q])) ++q;
      if (q >= line.size() || line[q] != '=') continue;
      ++q;
      while (q < line.size() && IsTagSpace(line[q])) ++q;
      out.append(line, p, q - p);
      std::size_t valueStart = q;
      std::size_t valueEnd = q;
      std::string quote;
      if (q < line.size() && (line[q] == '"' || line[q] == '\'')) {
        quote = line[q];
        valueStart = q + 1;
        valueEnd = std::min(line.find(line[q], valueStart), line.size());
        p = std::min(valueEnd + 1, line.size());
      } else {
        while (valueEnd < line.size() && !IsTagSpace(line[valueEnd]) && line[valueEnd] != '>') {
          ++valueEnd;
        }
        p = valueEnd;
      }
      std::string value = line.substr(valueStart, valueEnd - valueStart);
      if (name == "charset") value = "utf-8";
      if (name == "content") value = ContentNamingUtf8(std::move(value));
      out += quote + value + (valueEnd < line.size() ? quote : std::string());
    }
    at = p;
  }
  out.append(line, at, std::string::npos);
  return out;
}

enum class EditState { BeforeHead, BeforeBody, InsideBodyTag, AfterBody };

// Elements whose content is text up to their end tag: a "<body>" written in
// it is no tag.
constexpr std::array<std::string_view, 10> kTextOnlyElements{
    "script",   "style",     "xmp",      "iframe", "noembed",
    "noframes", "plaintext", "textarea", "title",  "noscript"};

bool IsTextOnlyElement(std::string_view lowerName) {
  for (std::string_view name : kTextOnlyElements) {
    if (name == lowerName) return true;
  }
  return false;
}

// The "<" of the next end tag of this element, in any letter case.
std::size_t FindEndTag(std::string_view text, std::string_view lowerName, std::size_t from) {
  for (std::size_t at = text.find("</", from); at != std::string_view::npos;
       at = text.find("</", at + 2)) {
    if (EqualsIgnoreCase(text.substr(at + 2, lowerName.size()), lowerName)) return at;
  }
  return std::string_view::npos;
}

// The BODY start tag of the markup: its "<" and the position after its ">";
// nothing when there is none (a frame set). Comments, the text of elements
// such as SCRIPT and quoted attribute values are passed over, so a "<body"
// inside them never counts.
std::optional<std::pair<std::size_t, std::size_t>> BodyStartTag(std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while ((i = text.find('<', i)) != std::string_view::npos && i + 1 < n) {
    if (text.substr(i, 4) == "<!--") {
      const std::size_t end = text.find("-->", i + 4);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 3;
      continue;
    }
    const char next = text[i + 1];
    if (next == '!' || next == '?' || next == '/') {
      const std::size_t end = text.find('>', i);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 1;
      continue;
    }
    if (!IsAsciiLetter(next)) {
      ++i;
      continue;
    }
    std::size_t k = i + 1;
    while (k < n && !IsBlankByte(text[k]) && text[k] != '>' && text[k] != '/') ++k;
    const std::string name = LowerAscii(text.substr(i + 1, k - i - 1));
    // The tag ends at the first ">" outside a quoted attribute value.
    char quote = 0;
    std::size_t m = k;
    for (; m < n; ++m) {
      const char c = text[m];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if ((c == '"' || c == '\'') && text[m - 1] == '=') {
        quote = c;
      } else if (c == '>') {
        break;
      }
    }
    if (m >= n) return std::nullopt;
    if (name == "body") return std::make_pair(i, m + 1);
    i = m + 1;
    if (IsTextOnlyElement(name)) {
      const std::size_t end = FindEndTag(text, name, i);
      if (end == std::string_view::npos) return std::nullopt;
      i = end;
    }
  }
  return std::nullopt;
}

// Where the BODY start tag stands in the lines: the line and column of its
// "<" and of the character after its ">".
struct BodyTagPlace {
  std::size_t startLine = 0;
  std::size_t startColumn = 0;
  std::size_t endLine = 0;
  std::size_t endColumn = 0;
};

std::optional<BodyTagPlace> FindBodyStartTag(const LineList& lines) {
  std::string text;
  std::vector<std::size_t> starts;
  for (const std::string& line : lines) {
    starts.push_back(text.size());
    text += line;
    text += '\n';
  }
  const auto tag = BodyStartTag(text);
  if (!tag) return std::nullopt;
  const auto place = [&](std::size_t offset, std::size_t& line, std::size_t& column) {
    line = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), offset) -
                                    starts.begin()) -
           1;
    column = offset - starts[line];
  };
  BodyTagPlace p;
  place(tag->first, p.startLine, p.startColumn);
  place(tag->second - 1, p.endLine, p.endColumn);
  ++p.endColumn;
  return p;
}

}  // namespace

bool IsHtmlFile(const std::string& path) {
  LineReader reader(path);
  if (!reader.ok()) return false;
  std::string line;
  for (int examined = 0; examined < kHtmlSearchLines; ++examined) {
    if (!reader.Next(line)) return false;
    const std::string upper = UpperAscii(line);
    if (Contains(upper, "<HTML>") || Contains(upper, "<!DOCTYPE HTML")) return true;
    const std::size_t p = Pos(upper, "<HTML");
    if (p == 0) continue;
    std::string_view after = std::string_view(upper).substr(p - 1 + 5);
    std::string rest = Trim(after);
    bool separated = !after.empty() && IsBlankByte(after[0]);
    if (rest.empty()) {
      // The tag goes on in the next line, which is taken as part of this one.
      std::string next;
      if (!reader.Next(next)) return false;
      rest = Trim(UpperAscii(next));
      separated = true;
    }
    if (ContinuesHtmlTag(rest, separated)) return true;
  }
  return false;
}

std::string BaseAddressForTarget(const std::string& target) {
  if (target.empty() || HasAddressScheme(target)) return target;
  return FileAddressForPath(target);
}

std::string x_HeadPiece(App& app, int k, const std::string& line) {
  const std::string upper = UpperAscii(line);
  std::size_t p = Pos(upper, "<HEAD>");
  std::size_t length = 6;
  if (p == 0) {
    p = Pos(upper, "<HEAD ");
    if (p == 0) return {};
    // The tag runs from its "<" to its first ">". A ">" further away than
    // usual still ends it; with no ">" on the line the rest of the line is
    // taken as the tag, so the BASE element never lands inside it.
    const std::size_t close = Pos(upper, ">", p);
    length = close == 0 ? line.size() - (p - 1) : close - p + 1;
  }
  const std::string before = line.substr(0, p - 1);
  const std::string tag = line.substr(p - 1, length);
  const std::string after = line.substr(p - 1 + length);
  const std::string base = "<BASE HREF=\"" + AddressForAttribute(app.main.Edit2) + "\">";
  if (p > 1) {
    switch (k) {
      case 0:
        return before;
      case 1:
        return tag;
      case 2:
        return base;
      case 3:
        return after;
      default:
        return {};
    }
  }
  switch (k) {
    case 0:
      return tag;
    case 1:
      return base;
    case 2:
      return after;
    default:
      return {};
  }
}

void x_EditHtml(App& app, const std::string& baseAddress) {
  RunState& st = app.state;
  LineList& header = app.HeaderBlock();

  // The BASE address: the page's own, else the target's; a query is cut off.
  app.main.Edit2 = baseAddress.empty() ? BaseAddressForTarget(st.CurrentTarget) : baseAddress;
  const std::size_t q = Pos(app.main.Edit2, "?");
  if (q > 1) app.main.Edit2.resize(q - 1);

  st.WorkLines.clear();
  st.NoHeaderBlock = 0;
  EditState state = EditState::BeforeHead;
  bool blockInserted = false;

  // Appends the BODY start tag's end, the header block and what follows.
  auto endBodyTag = [&](const std::string& text, std::size_t close) {
    st.WorkLines.push_back(text.substr(0, close));
    st.WorkLines.insert(st.WorkLines.end(), header.begin(), header.end());
    header.clear();
    blockInserted = true;
    if (close < text.size()) st.WorkLines.push_back(text.substr(close));
    state = EditState::AfterBody;
  };

  // The header block goes right after the document's real BODY start tag.
  const std::optional<BodyTagPlace> body = FindBodyStartTag(st.SourceLines);
  for (std::size_t index = 0; index < st.SourceLines.size(); ++index) {
    const std::string& line = st.SourceLines[index];
    switch (state) {
      case EditState::BeforeHead: {
        if (x_HeadPiece(app, 0, line).empty()) {
          st.WorkLines.push_back(line);
          break;
        }
        for (int k = 0;; ++k) {
          std::string piece = x_HeadPiece(app, k, line);
          if (piece.empty()) break;
          st.WorkLines.push_back(std::move(piece));
        }
        state = EditState::BeforeBody;
        if (!Contains(UpperAscii(st.CurrentTarget), "HTTP://")) {
          header.clear();
          st.NoHeaderBlock = 1;
        }
        break;
      }
      case EditState::BeforeBody: {
        // (A BODY start tag on the HEAD's own line has passed already.)
        if (!body || index != body->startLine) {
          st.WorkLines.push_back(ReplaceCharsetDeclarations(line));
          break;
        }
        const std::size_t p = body->startColumn;
        if (p > 0) st.WorkLines.push_back(line.substr(0, p));
        const std::string rest = line.substr(p);
        if (body->endLine != index) {
          st.WorkLines.push_back(rest);
          state = EditState::InsideBodyTag;
        } else {
          endBodyTag(rest, body->endColumn - p);
        }
        break;
      }
      case EditState::InsideBodyTag: {
        if (index != body->endLine) {
          st.WorkLines.push_back(line);
        } else {
          endBodyTag(line, body->endColumn);
        }
        break;
      }
      case EditState::AfterBody:
        st.WorkLines.push_back(line);
        break;
    }
  }

  // A page without HEAD or BODY start tag (or with both on one line) carries
  // no block either; the walk must then count its first links like any other.
  if (!blockInserted) {
    header.clear();
    st.NoHeaderBlock = 1;
  }
  for (std::string& line : st.WorkLines) line = MetaTagsNamingUtf8(line);
}

}  // namespace vex
