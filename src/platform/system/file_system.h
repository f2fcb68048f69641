// The file-system services the program needs, on POSIX: existence tests,
// folder searches with wildcards, folders and files, the current folder, the
// kind of file system a folder lies on, the temporary folder, the stored
// spelling of a path, and an exclusive lock on a file.
//
// Paths use "/" as the folder separator. Entries whose name begins with "."
// are hidden: no search matches them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vex {

// --- Path text ---------------------------------------------------------------

// The folder part of a path: up to and including its last "/" (empty when it
// has none).
std::string FolderPart(std::string_view path);
// The name part: after the last "/".
std::string NamePart(std::string_view path);
// The extension of the name part, with its dot (".htm"); empty when none.
std::string FileExtension(std::string_view path);

// The path made absolute against `base` (used only when path is relative),
// with "." and ".." parts and doubled "/" folded away lexically. A final "/"
// is kept when the path had one.
std::string AbsolutePath(std::string_view path, std::string_view base);

// --- Existence ---------------------------------------------------------------

// A plain file (links followed) of that name exists.
bool FileExists(const std::string& path);
// A folder (links followed) of that name exists.
bool FolderExists(const std::string& path);
// A file or a folder of that name exists.
bool PathExists(const std::string& path);

// --- Searching folders -------------------------------------------------------

enum class EntryKind {
  File,    // plain files (a link to a plain file counts)
  Folder,  // subfolders (a link to a folder does not count: a descent must end)
};

// Whether the text holds a wildcard ("*" or "?").
bool HasWildcard(std::string_view text);

// Whether name matches pattern as the shell matches a file name: "*" any run of
// characters, "?" any one character, letter case counts. Every other character
// (also "[" and "\") stands for itself.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Names (not paths) of the entries of `folder` of that kind whose names match
// `namePattern`, sorted without regard to letter case. Hidden entries never
// match. An empty folder text means the current folder. Empty when the folder
// cannot be read.
std::vector<std::string> FindEntries(const std::string& folder, std::string_view namePattern,
                                     EntryKind kind);
inline std::vector<std::string> ListFiles(const std::string& folder) {
  return FindEntries(folder, "*", EntryKind::File);
}
inline std::vector<std::string> ListSubfolders(const std::string& folder) {
  return FindEntries(folder, "*", EntryKind::Folder);
}
// The plain files that a wildcard path (wildcards in its last part only)
// matches, as names within its folder part.
inline std::vector<std::string> MatchFiles(std::string_view wildcardPath) {
  return FindEntries(FolderPart(wildcardPath), NamePart(wildcardPath), EntryKind::File);
}

// Order without regard to ASCII letter case; texts equal but for case keep a
// fixed order (by bytes), so a sort is the same on every run.
bool LessIgnoringCase(std::string_view a, std::string_view b);
void SortIgnoringCase(std::vector<std::string>& lines);

// --- Changing the file system -------------------------------------------------

// Makes the folder and any missing parents. True when it exists afterwards.
// Folders it makes get `mode` (less the process's umask).
[[nodiscard]] bool MakeFolders(const std::string& path, unsigned mode = 0777);
// Deletes a plain file. False when it could not be deleted (or did not exist).
[[nodiscard]] bool RemoveFile(const std::string& path);

// --- Process folders ----------------------------------------------------------

// The process's current folder (empty when it cannot be told).
std::string CurrentFolder();
[[nodiscard]] bool SetCurrentFolder(const std::string& path);

// The full path of the running executable (empty when unknown).
std::string ExecutablePath();

// The temporary folder: $TEMP, $TMP, $TMPDIR (the first that names an existing
// folder), else /tmp; empty when even that is missing. No final "/".
std::string SystemTempFolder();

// Whether a statfs file-system type stands for a network or remote file system
// (NFS, SMB/CIFS, FUSE, AFS, 9P, Ceph and the like).
bool IsNetworkFileSystemType(long long fsType);
// Whether the folder lies on such a file system or cannot be written to. A
// folder that cannot be examined counts as unsuitable too.
bool IsNetworkOrUnwritable(const std::string& folder);

// --- Stored spelling ----------------------------------------------------------

// The absolute path with every part spelled as the file system stores it:
// each part is looked up as written, else among the folder's entries without
// regard to ASCII letter case. `absolutePath` must be absolute and normal (no
// "." or ".." parts); a final "/" requires the last part to be a folder and is
// kept. Empty when some part does not exist. Never changes the current folder.
std::string StoredSpelling(const std::string& absolutePath);

// While one lives (on this thread), the folders StoredSpelling has to read
// are read once and their names remembered: a run looks up many missing or
// differently spelt names in the same few folders. Names spelt as written
// are still looked up on disk every time.
class FolderListingCache {
 public:
  FolderListingCache();
  ~FolderListingCache();
  FolderListingCache(const FolderListingCache&) = delete;
  FolderListingCache& operator=(const FolderListingCache&) = delete;

  // The stored spelling of `name` in `folder` (names compared without regard
  // to ASCII letter case; of several, the first in byte order); empty when
  // there is none or the folder cannot be read.
  std::string Find(const std::string& folder, const std::string& name);

 private:
  struct Listing {
    bool readable = false;
    std::unordered_map<std::string, std::string> byLowerName;
  };
  std::unordered_map<std::string, Listing> folders_;
  FolderListingCache* outer_ = nullptr;
};

// --- Locking ------------------------------------------------------------------

// An exclusive lock on a file (flock), held for the object's lifetime. The file
// is made when missing. Waits while another process or descriptor holds it.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // False when the lock file could not be opened or locked.
  bool held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace vex
