#include "probe/browser_handoff.h"

namespace vex {

// No browser hand-off yet: both give the empty text.
std::string BrowserAddressByDde(App&, int) { return {}; }
std::string CacheUrlOfFile(const std::string&) { return {}; }

}  // namespace vex
