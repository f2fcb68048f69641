// The browser component itself: the Browser that loads pages through the
// program's HTTP client and reads local files.
#pragma once

#include <memory>

#include "context/browser.h"

namespace vex {

struct App;

// A new browser that loads through app.http and shows pages through app.ui.
// The App (and its HTTP client) must outlive it.
std::unique_ptr<Browser> MakeBrowser(App& app);

}  // namespace vex
