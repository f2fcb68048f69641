#include "cli/chosen_frame.h"

#include <string>

#include "cli/cli_texts.h"
#include "context/app.h"
#include "control/check_one.h"

namespace vex::cli {

RunOutcome CheckChosenFrames(App& app, RunOutcome outcome, std::FILE* err) {
  for (int level = 0; level < kMaxFrameLevels && outcome.result == kCheckFramePicked &&
                      !outcome.aborted && app.state.TargetList.empty();
       ++level) {
    std::fprintf(err, "%s%s\n", std::string(FrameChosenNote[app.state.CharMode]).c_str(),
                 app.main.Edit1.c_str());
    std::fflush(err);
    outcome = RunCheck(app);
  }
  return outcome;
}

}  // namespace vex::cli
