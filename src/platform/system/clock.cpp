#include "platform/system/clock.h"

#include <chrono>
#include <thread>

namespace vex {

std::int64_t SystemClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Clock& DefaultClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace vex
