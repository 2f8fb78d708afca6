#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "recman/btrcall.h"

namespace zem::platform {

HostClock::HostClock()
    : state_(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) |
             1) {}

CalendarDate HostClock::Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void HostClock::SleepMs(int milliseconds) {
  // A pause is a wait: the record manager lets go of its read snapshots first.
  recman::EndReadSnapshots();
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t HostClock::MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double HostClock::Random() {
  // xorshift64*: plenty for pauses between retries.
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  uint64_t value = state_ * 2685821657736338717ULL;
  return static_cast<double>(value >> 11) / 9007199254740992.0;
}

}  // namespace zem::platform
