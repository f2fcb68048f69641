// A temporary folder that is removed with everything in it at scope end.
#pragma once

#include <filesystem>
#include <string>

namespace vex::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a child, as text.
  std::string operator/(const std::string& child) const { return (path_ / child).string(); }
  // Writes a file (making parent folders) and returns its path.
  std::string Write(const std::string& relative, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

}  // namespace vex::testing
