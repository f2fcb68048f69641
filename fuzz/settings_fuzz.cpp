// The settings file as anyone may have edited it: read, migrated and written
// back, then migrated once more, which must leave it as it is.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/text/line_list.h"
#include "settings/settings_file.h"

namespace {

std::string ScratchPath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/vexalorn-fuzz-" + std::to_string(getpid()) +
         ".ini";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchPath();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vex::WriteFileBytes(path, bytes)) return 0;
  vex::LineList image;
  if (vex::MigrateSettings(image, path) == vex::MigrateResult::CannotRead) return 0;
  (void)vex::FindEntry(image, "OPT", "CHAR");
  (void)vex::StripComment(vex::EntryValue("JUMP", vex::FindEntry(image, "OPT", "JUMP")));
  vex::LineList again;
  if (vex::MigrateSettings(again, path) != vex::MigrateResult::Unchanged) {
    std::fprintf(stderr, "a migrated settings file migrates again\n");
    std::abort();
  }
  if (again != image) {
    std::fprintf(stderr, "a migrated settings file reads back differently\n");
    std::abort();
  }
  return 0;
}
