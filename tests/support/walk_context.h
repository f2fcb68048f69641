// A link walk's surroundings: a program context over the real HTTP client and
// a shifted clock, the lists of a new settings file, and a temporary home for
// the work folder; and the result page the walk saved, parsed again.
#pragma once

#include <memory>
#include <string>

#include "context/app.h"
#include "platform/html/html_document.h"
#include "platform/http/http_client.h"
#include "support/scripted_front_end.h"
#include "support/shiftable_clock.h"
#include "support/temp_dir.h"

namespace vex::testing {

struct WalkContext {
  // English or Japanese marks (charMode 1 / 0), page type (jumpMode); no
  // header block.
  WalkContext();
  ~WalkContext();
  WalkContext(const WalkContext&) = delete;
  WalkContext& operator=(const WalkContext&) = delete;

  void SetModes(int charMode, int jumpMode);
  // The prepared page the walk goes through.
  void SetPage(const std::string& body, const std::string& title = "Links");

  ShiftableClock clock;
  ScriptedFrontEnd ui{clock};
  std::unique_ptr<http::Client> client = http::MakeCurlClient(clock);
  App app{ui, clock, *client};
  TempDir home;
};

// The saved page: UTF-8 with a byte-order mark, parsed again.
struct SavedPage {
  std::string bytes;
  std::shared_ptr<html::Document> doc;
};
SavedPage ReadSaved(const std::string& path);

}  // namespace vex::testing
