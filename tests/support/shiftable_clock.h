// A clock for tests that run real transfers: the wall clock plus a shift that
// a test (or a loopback handler, on the server's thread) moves forward, so a
// reply can seem to take seconds without anyone waiting. Sleeping moves the
// shift and yields only briefly. Thread-safe.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/system/clock.h"

namespace vex::testing {

class ShiftableClock final : public Clock {
 public:
  std::int64_t NowMs() override;
  void SleepMs(int ms) override;
  void Advance(std::int64_t ms) { shift_ += ms; }

 private:
  SystemClock wall_;
  std::atomic<std::int64_t> shift_{0};
};

}  // namespace vex::testing
