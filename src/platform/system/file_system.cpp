#include "platform/system/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/text/text.h"

namespace vex {

namespace {

bool IsHidden(std::string_view name) {
  return !name.empty() && name.front() == '.';
}

std::string WithoutFinalSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

std::vector<std::string> SplitParts(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t slash = path.find('/', at);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > at) parts.emplace_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return parts;
}

// Only "*" and "?" are wildcards here, so the other characters fnmatch gives a
// meaning to are escaped.
std::string EscapeForFnmatch(std::string_view pattern) {
  std::string out;
  out.reserve(pattern.size());
  for (char c : pattern) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

bool IsLinkedFolder(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

// --- Path text ---------------------------------------------------------------

std::string FolderPart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string NamePart(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FileExtension(std::string_view path) {
  std::string name = NamePart(path);
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string AbsolutePath(std::string_view path, std::string_view base) {
  std::string joined;
  if (!path.empty() && path.front() == '/') {
    joined = std::string(path);
  } else {
    joined = std::string(base) + "/" + std::string(path);
  }
  const bool finalSlash = !joined.empty() && joined.back() == '/';
  std::vector<std::string> kept;
  for (std::string& part : SplitParts(joined)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::string out;
  for (const std::string& part : kept) out += "/" + part;
  if (out.empty()) return "/";
  if (finalSlash) out += "/";
  return out;
}

// --- Existence ---------------------------------------------------------------

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

// --- Searching folders -------------------------------------------------------

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  return fnmatch(EscapeForFnmatch(pattern).c_str(), std::string(name).c_str(), 0) == 0;
}

std::vector<std::string> FindEntries(const std::string& folder, std::string_view namePattern,
                                     EntryKind kind) {
  std::vector<std::string> names;
  const std::string dir = folder.empty() ? std::string(".") : folder;
  DirHandle handle(opendir(dir.c_str()));
  if (!handle) return names;
  const std::string prefix = EndsWith(dir, "/") ? dir : dir + "/";
  const std::string pattern = EscapeForFnmatch(namePattern);
  while (dirent* entry = readdir(handle.get())) {
    std::string name = entry->d_name;
    if (IsHidden(name)) continue;
    if (fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
    const std::string path = prefix + name;
    const bool matches =
        kind == EntryKind::File ? FileExists(path) : FolderExists(path) && !IsLinkedFolder(path);
    if (matches) names.push_back(std::move(name));
  }
  SortIgnoringCase(names);
  return names;
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
  const std::string la = LowerAscii(a);
  const std::string lb = LowerAscii(b);
  if (la != lb) return la < lb;
  return a < b;
}

void SortIgnoringCase(std::vector<std::string>& lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return LessIgnoringCase(a, b);
  });
}

// --- Changing the file system -------------------------------------------------

bool MakeFolders(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  if (FolderExists(path)) return true;
  std::string partial = path.front() == '/' ? "/" : "";
  for (const std::string& part : SplitParts(path)) {
    partial += part;
    if (mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    partial += "/";
  }
  return FolderExists(path);
}

bool RemoveFile(const std::string& path) {
  return !path.empty() && unlink(path.c_str()) == 0;
}

// --- Process folders ----------------------------------------------------------

std::string CurrentFolder() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

bool SetCurrentFolder(const std::string& path) {
  return !path.empty() && chdir(path.c_str()) == 0;
}

std::string ExecutablePath() {
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return {};
  buf.resize(static_cast<std::size_t>(n));
  return buf;
}

std::string SystemTempFolder() {
  for (const char* name : {"TEMP", "TMP", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value && *value && FolderExists(value)) return WithoutFinalSlashes(value);
  }
  return FolderExists("/tmp") ? std::string("/tmp") : std::string();
}

bool IsNetworkFileSystemType(long long fsType) {
  // Magic numbers from linux/magic.h and the file systems' own sources.
  static constexpr unsigned long long kRemote[] = {
      0x6969,      // NFS
      0x517B,      // SMB
      0xFF534D42,  // CIFS
      0xFE534D42,  // SMB2
      0x65735546,  // FUSE (sshfs, rclone, ...)
      0x5346414F,  // AFS
      0x6B414653,  // kAFS
      0x01021997,  // 9P
      0x00C36400,  // Ceph
      0x564C,      // NCP
      0x73757245,  // Coda
      0x0BD00BD0,  // Lustre
      0x47504653,  // GPFS
      0x013111A8,  // IBRIX
      0x19830326,  // FhGFS / BeeGFS
      0x61636673,  // ACFS
  };
  const auto type = static_cast<unsigned long long>(fsType) & 0xFFFFFFFFull;
  return std::find(std::begin(kRemote), std::end(kRemote), type) != std::end(kRemote);
}

bool IsNetworkOrUnwritable(const std::string& folder) {
  struct statfs fs {};
  if (folder.empty() || statfs(folder.c_str(), &fs) != 0) return true;
  if (IsNetworkFileSystemType(static_cast<long long>(fs.f_type))) return true;
  return access(folder.c_str(), W_OK | X_OK) != 0;
}

// --- Stored spelling ----------------------------------------------------------

namespace {

thread_local FolderListingCache* activeListings = nullptr;

// The stored spelling of `name` in `folder`, read from the folder itself.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  DirHandle handle(opendir(folder.c_str()));
  if (!handle) return {};
  const std::string wanted = LowerAscii(name);
  std::string found;
  while (dirent* entry = readdir(handle.get())) {
    std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    // Of several spellings, the first in byte order, so the answer is fixed.
    if (LowerAscii(entryName) == wanted && (found.empty() || entryName < found)) {
      found = std::move(entryName);
    }
  }
  return found;
}

}  // namespace

FolderListingCache::FolderListingCache() : outer_(activeListings) {
  activeListings = this;
}

FolderListingCache::~FolderListingCache() {
  activeListings = outer_;
}

std::string FolderListingCache::Find(const std::string& folder, const std::string& name) {
  auto [it, added] = folders_.try_emplace(folder);
  Listing& listing = it->second;
  if (added) {
    DirHandle handle(opendir(folder.c_str()));
    listing.readable = handle != nullptr;
    while (handle) {
      dirent* entry = readdir(handle.get());
      if (!entry) break;
      std::string entryName = entry->d_name;
      if (entryName == "." || entryName == "..") continue;
      auto [at, first] = listing.byLowerName.try_emplace(LowerAscii(entryName), entryName);
      if (!first && entryName < at->second) at->second = std::move(entryName);
    }
  }
  auto found = listing.byLowerName.find(LowerAscii(name));
  return found == listing.byLowerName.end() ? std::string() : found->second;
}

std::string StoredSpelling(const std::string& absolutePath) {
  if (absolutePath.empty() || absolutePath.front() != '/') return {};
  const bool wantFolder = absolutePath.size() > 1 && absolutePath.back() == '/';
  std::string stored = "/";
  const std::vector<std::string> parts = SplitParts(absolutePath);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string found;
    struct stat st {};
    // As written first: on a case-sensitive file system that is the stored
    // name, and it saves reading the folder.
    if (lstat((stored + part).c_str(), &st) == 0) {
      found = part;
    } else {
      found = activeListings ? activeListings->Find(stored, part) : FindInFolder(stored, part);
      if (found.empty()) return {};
    }
    stored += found;
    if (i + 1 < parts.size()) stored += "/";
  }
  if (wantFolder) {
    if (!FolderExists(stored)) return {};
    stored += "/";
  }
  return stored;
}

// --- Locking ------------------------------------------------------------------

FileLock::FileLock(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  int r;
  do {
    r = flock(fd_, LOCK_EX);
  } while (r != 0 && errno == EINTR);
  held_ = r == 0;
}

FileLock::~FileLock() {
  if (fd_ < 0) return;
  if (held_) flock(fd_, LOCK_UN);
  close(fd_);
}

}  // namespace vex
