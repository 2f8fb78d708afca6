#pragma once

#include <cstddef>
#include <cstdint>

namespace zem::platform {

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// The system date, millisecond pauses, a monotonic millisecond counter and a uniform random
// number. Reached through this interface so that tests fix "today" and never sleep.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual CalendarDate Today() = 0;
  virtual void SleepMs(int milliseconds) = 0;
  virtual int64_t MonotonicMs() = 0;
  // Uniform in [0, 1).
  virtual double Random() = 0;
};

class HostClock : public Clock {
 public:
  HostClock();
  CalendarDate Today() override;
  void SleepMs(int milliseconds) override;
  int64_t MonotonicMs() override;
  double Random() override;

 private:
  uint64_t state_;
};

}  // namespace zem::platform
