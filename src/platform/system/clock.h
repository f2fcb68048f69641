// Wall clock and sleep, replaceable so that tests never wait real seconds.
#pragma once

#include <atomic>
#include <cstdint>

namespace vex {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the Unix epoch, local wall clock.
  virtual std::int64_t NowMs() = 0;
  virtual void SleepMs(int ms) = 0;
};

class SystemClock final : public Clock {
 public:
  std::int64_t NowMs() override;
  void SleepMs(int ms) override;
};

// A clock that moves only when told to (or when slept on). It may be read
// from another thread (the HTTP client's) while a test moves it.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::int64_t start = 1'700'000'000'000) : now_(start) {}
  std::int64_t NowMs() override { return now_.load(); }
  void SleepMs(int ms) override { now_ += ms; }
  void Advance(std::int64_t ms) { now_ += ms; }

 private:
  std::atomic<std::int64_t> now_;
};

// The process's wall clock, for code that has no clock handed to it.
Clock& DefaultClock();

}  // namespace vex
