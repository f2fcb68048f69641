#include "platform/text/line_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
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
    // An empty last line exists in a file only through its break.
    if (i + 1 < lines.size() || finalBreak || lines[i].empty()) out += "\r\n";
  }
  return out;
}

FileHandle OpenRegularFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  FileHandle f(::fdopen(fd, "rb"));
  if (!f) ::close(fd);
  return f;
}

bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string& out, bool* cut) {
  FileHandle f = OpenRegularFile(path);
  if (!f) return false;
  std::string data;
  char buf[65536];
  bool more = false;
  while (true) {
    // One byte beyond the limit tells a cut file from one that ends there.
    const std::size_t want = std::min(sizeof buf, maxBytes - data.size() + 1);
    const std::size_t n = std::fread(buf, 1, want, f.get());
    if (data.size() + n > maxBytes) {
      data.append(buf, maxBytes - data.size());
      more = true;
      break;
    }
    data.append(buf, n);
    if (n < want) {
      if (std::ferror(f.get())) return false;
      break;
    }
  }
  out = std::move(data);
  if (cut) *cut = more;
  return true;
}

bool ReadFileBytes(const std::string& path, std::string& out) {
  return ReadFileHead(path, std::numeric_limits<std::size_t>::max() - 1, out);
}

namespace {

// Writes all the bytes, or as many as the file takes; returns how many.
std::size_t WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  // Written over and cut to its new length afterwards, not emptied first: a
  // file emptied and written again (a result page once its marks are in) is
  // pushed to disk at once by some file systems (ext4), which costs each
  // page of a run a disk write for a file about to change again.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const std::size_t written = WriteAll(fd, bytes);
  bool ok = written == bytes.size();
  // Only a regular file has a length to cut (a FIFO or a device has none),
  // and only one that was longer. A failed write leaves what it wrote, as
  // writing an emptied file would have, not the old file's tail behind it.
  struct stat st {};
  const auto size = static_cast<off_t>(written);
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > size) {
    ok = ::ftruncate(fd, size) == 0 && ok;
  }
  ok = ::close(fd) == 0 && ok;
  return ok;
}

bool ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  std::error_code ec;
  std::filesystem::path target(path);
  if (std::filesystem::is_symlink(target, ec)) {
    const auto resolved = std::filesystem::canonical(target, ec);
    if (!ec) target = resolved;
  }
  std::string temp =
      (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  if (target.parent_path().empty()) temp = "." + target.filename().string() + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0;
  }
  ok = ok && WriteAll(fd, bytes) == bytes.size();
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
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

bool ReplaceLines(const std::string& path, const LineList& lines, bool finalBreak) {
  return ReplaceFileBytes(path, JoinLines(lines, finalBreak));
}

}  // namespace vex
