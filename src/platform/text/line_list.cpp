#include "platform/text/line_list.h"

#include <cstdio>
#include <memory>

namespace vex {

LineList SplitLines(std::string_view text, bool* endsWithBreak) {
  LineList lines;
  std::size_t start = 0;
  std::size_t i = 0;
  bool brk = false;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      start = i;
      brk = true;
    } else {
      ++i;
      brk = false;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  if (endsWithBreak) *endsWithBreak = brk;
  return lines;
}

std::string JoinLines(const LineList& lines, bool finalBreak) {
  std::string out;
  std::size_t total = 0;
  for (const auto& l : lines) total += l.size() + 2;
  out.reserve(total);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || finalBreak) out += "\r\n";
  }
  return out;
}

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

bool ReadFileBytes(const std::string& path, std::string& out) {
  File f(std::fopen(path.c_str(), "rb"));
  if (!f) return false;
  std::string data;
  char buf[65536];
  while (true) {
    std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
    data.append(buf, n);
    if (n < sizeof buf) {
      if (std::ferror(f.get())) return false;
      break;
    }
  }
  out = std::move(data);
  return true;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  File f(std::fopen(path.c_str(), "wb"));
  if (!f) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    return false;
  }
  return std::fclose(f.release()) == 0;
}

bool LoadLines(const std::string& path, LineList& out, bool* endsWithBreak) {
  std::string data;
  if (!ReadFileBytes(path, data)) return false;
  out = SplitLines(data, endsWithBreak);
  return true;
}

bool SaveLines(const std::string& path, const LineList& lines, bool finalBreak) {
  return WriteFileBytes(path, JoinLines(lines, finalBreak));
}

}  // namespace vex
