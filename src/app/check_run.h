// The check run: handler of the start message.
#pragma once

namespace vex {

struct App;

// One check run over the target in Edit1 (the start message's handler).
void x_CheckRun(App& app);

}  // namespace vex
