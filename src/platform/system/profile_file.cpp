#include "platform/system/profile_file.h"

#include <string_view>
#include <vector>

#include "platform/text/line_list.h"
#include "platform/text/text.h"

namespace vex {
namespace {

// One line of the file with its own line end, so that lines the writer does
// not change are written back byte for byte.
struct RawLine {
  std::string text;
  std::string end;  // "\r\n", "\r", "\n" or "" (last line without a break)
};

std::vector<RawLine> SplitRaw(std::string_view data) {
  std::vector<RawLine> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < data.size()) {
    const char c = data[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    std::size_t endLen = (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ? 2 : 1;
    lines.push_back(
        {std::string(data.substr(start, i - start)), std::string(data.substr(i, endLen))});
    i += endLen;
    start = i;
  }
  if (start < data.size()) lines.push_back({std::string(data.substr(start)), ""});
  return lines;
}

// The name of a section header line ("[name]", blanks allowed around), or
// nothing when the line is no header.
bool SectionName(std::string_view line, std::string& name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  const std::size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(std::string_view(t).substr(1, close - 1));
  return true;
}

// The key of an entry line (text before the first "=", trimmed); empty for
// comments and lines without "=".
std::string EntryKey(std::string_view line) {
  const std::string t = TrimLeft(line);
  if (t.empty() || t.front() == ';') return {};
  const std::size_t eq = t.find('=');
  if (eq == std::string::npos) return {};
  return Trim(std::string_view(t).substr(0, eq));
}

std::string JoinRaw(const std::vector<RawLine>& lines) {
  std::string out;
  for (const auto& l : lines) out += l.text + l.end;
  return out;
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

bool Put(const std::string& path, std::string_view bytes, ProfileWrite how) {
  return how == ProfileWrite::InPlace ? WriteFileBytes(path, bytes) : ReplaceFileBytes(path, bytes);
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback) {
  std::string data;
  if (!ReadFileBytes(path, data)) return fallback;
  return ProfileStringIn(data, section, key, fallback);
}

std::string ProfileStringIn(std::string_view data, const std::string& section,
                            const std::string& key, const std::string& fallback) {
  bool inSection = false;
  std::string name;
  for (const auto& line : SplitRaw(data)) {
    if (SectionName(line.text, name)) {
      inSection = EqualsIgnoreCase(name, section);
      continue;
    }
    if (inSection && EqualsIgnoreCase(EntryKey(line.text), key) && !key.empty()) {
      const std::size_t eq = line.text.find('=');
      return Trim(std::string_view(line.text).substr(eq + 1));
    }
  }
  return fallback;
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, ProfileWrite how) {
  // A line break in any part, a "=" in the key or a "]" in the section would
  // write a different entry than the one asked for.
  if (key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      key.find('=') != std::string::npos || section.find(']') != std::string::npos ||
      Trim(key) != key) {
    return false;
  }

  std::string data;
  std::vector<RawLine> lines;
  if (ReadFileBytes(path, data)) lines = SplitRaw(data);

  // New lines take the line end the file already uses; CR LF for a new file.
  std::string lineEnd = "\r\n";
  for (const auto& l : lines) {
    if (!l.end.empty()) {
      lineEnd = l.end;
      break;
    }
  }
  const std::string entry = key + "=" + value;

  bool inSection = false;
  bool sectionFound = false;
  std::size_t insertAt = 0;  // after the section's last non-empty line
  std::string name;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (SectionName(lines[i].text, name)) {
      if (inSection) break;  // the section ended without the key
      if (EqualsIgnoreCase(name, section)) {
        inSection = true;
        sectionFound = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (EqualsIgnoreCase(EntryKey(lines[i].text), key)) {
      lines[i].text = entry;
      if (lines[i].end.empty()) lines[i].end = lineEnd;
      return Put(path, JoinRaw(lines), how);
    }
    if (!Trim(lines[i].text).empty()) insertAt = i + 1;
  }

  auto ensureBreakBefore = [&](std::size_t pos) {
    if (pos > 0 && lines[pos - 1].end.empty()) lines[pos - 1].end = lineEnd;
  };
  if (sectionFound) {
    ensureBreakBefore(insertAt);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), RawLine{entry, lineEnd});
  } else {
    ensureBreakBefore(lines.size());
    lines.push_back({"[" + section + "]", lineEnd});
    lines.push_back({entry, lineEnd});
  }
  return Put(path, JoinRaw(lines), how);
}

}  // namespace vex
