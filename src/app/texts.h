// Every bilingual text and result mark, and the phrase and tag tables. Code
// never spells these texts inline; it picks an entry.
#pragma once

#include <array>
#include <string_view>

namespace vex::texts {

// A pair: [0] for CharMode 0 (Japanese, full-width marks), [1] for CharMode 1.
struct Pair {
  std::string_view jp;
  std::string_view en;
  // Entry for a CharMode; any value other than 0 and 1 is a programming error.
  std::string_view operator[](int charMode) const;
};

// (Entries are filled in texts.cpp / below.)

}  // namespace vex::texts
