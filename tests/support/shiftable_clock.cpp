#include "support/shiftable_clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vex::testing {

namespace {
// Real time given to other threads (a server, a transfer) per sleep.
constexpr int kRealSleepCapMs = 2;
}  // namespace

std::int64_t ShiftableClock::NowMs() {
  return wall_.NowMs() + shift_.load();
}

void ShiftableClock::SleepMs(int ms) {
  if (ms <= 0) return;
  shift_ += ms;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, kRealSleepCapMs)));
}

}  // namespace vex::testing
