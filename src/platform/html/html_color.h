// The legacy colour attributes of HTML (bgcolor, text, link ...): the
// forgiving parse that browsers apply, giving "#rrggbb" in lower case.
#pragma once

#include <string>
#include <string_view>

namespace vex {

// "#rrggbb" in lower case; empty for an empty value or "transparent".
std::string LegacyColor(std::string_view value);

}  // namespace vex
