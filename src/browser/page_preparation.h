// Page preparation: the target loaded, its source, base address, colours and
// frames read, and the prepared page built into WorkLines.
#pragma once

#include <string>

namespace vex {

struct App;

int x_GetHtml(App& app, const std::string& explicitTarget);

}  // namespace vex
