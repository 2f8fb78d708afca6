#pragma once

#include <cstdint>
#include <vector>

#include "platform/clock.h"

namespace zem::platform {

// A clock for tests: a fixed date, pauses that only advance the monotonic counter and are
// recorded, and a scripted or deterministic random sequence.
class FakeClock : public Clock {
 public:
  explicit FakeClock(CalendarDate today = {2026, 12, 8}) : today_(today) {}
  CalendarDate Today() override { return today_; }
  void SleepMs(int milliseconds) override;
  int64_t MonotonicMs() override { return now_ms_; }
  double Random() override;

  void SetToday(CalendarDate today) { today_ = today; }
  void Advance(int64_t milliseconds) { now_ms_ += milliseconds; }
  // Values returned by Random() in order; once used up, Random() returns 0.5.
  void SetRandomValues(std::vector<double> values) {
    randoms_ = std::move(values);
    next_random_ = 0;
  }
  const std::vector<int>& sleeps() const { return sleeps_; }

 private:
  CalendarDate today_;
  int64_t now_ms_ = 0;
  std::vector<int> sleeps_;
  std::vector<double> randoms_;
  size_t next_random_ = 0;
};

}  // namespace zem::platform
