#include "support/fake_clock.h"

namespace zem::platform {

void FakeClock::SleepMs(int milliseconds) {
  sleeps_.push_back(milliseconds);
  if (milliseconds > 0) now_ms_ += milliseconds;
}

double FakeClock::Random() {
  if (next_random_ < randoms_.size()) return randoms_[next_random_++];
  return 0.5;
}

}  // namespace zem::platform
