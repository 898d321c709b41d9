// KeQuerySystemTime: the real clock by default, or a clock the tests set.
#include <chrono>
#include <mutex>

#include "hostkernel/host_control.h"

namespace hostkernel {
namespace {

// 100 ns intervals from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;

struct Clock {
  std::mutex mutex;
  bool frozen = false;
  int64_t frozenTime = 0;
};

// Leaked on purpose: usable from static destructors of test programs.
Clock &TheClock() {
  static Clock *clock = new Clock;
  return *clock;
}

int64_t RealTime100ns() {
  const auto sinceUnixEpoch = std::chrono::system_clock::now().time_since_epoch();
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
  return kUnixEpochIn100ns + std::chrono::duration_cast<Ticks>(sinceUnixEpoch).count();
}

}  // namespace

void SetSystemTime(int64_t time100ns) {
  Clock &clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  clock.frozen = true;
  clock.frozenTime = time100ns;
}

void AdvanceSystemTime(int64_t delta100ns) {
  Clock &clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  // Advancing the real clock freezes it at "now + delta".
  if (!clock.frozen) clock.frozenTime = RealTime100ns();
  clock.frozen = true;
  clock.frozenTime += delta100ns;
}

void FollowRealClock() {
  Clock &clock = TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  clock.frozen = false;
}

}  // namespace hostkernel

extern "C" void NTAPI KeQuerySystemTime(LARGE_INTEGER *CurrentTime) {
  hostkernel::Clock &clock = hostkernel::TheClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  CurrentTime->QuadPart = clock.frozen ? clock.frozenTime : hostkernel::RealTime100ns();
}
