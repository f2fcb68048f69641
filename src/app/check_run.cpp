#include "app/check_run.h"

#include "app/app.h"

namespace vex {

// Until the run driver lands, a run only clears the busy mark.
void x_CheckRun(App& app) { app.state.Busy = 0; }

}  // namespace vex
