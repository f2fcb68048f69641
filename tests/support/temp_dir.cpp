#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace vex::testing {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "vexalorn-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& relative, const std::string& content) const {
  std::filesystem::path p = path_ / relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
  return p.string();
}

}  // namespace vex::testing
