#pragma once
// The one clock of the program. Records stamped from the clock get the UTC date and time;
// tests replace the clock to make those stamps deterministic.

#include <cstdint>
#include <functional>

#include "core/ResultCode.h"

namespace velmar {

// Seconds since 1970-01-01 00:00:00 UTC.
using ClockSource = std::function<std::int64_t()>;

// Installs a clock (an empty function restores the system clock). Not thread-safe against
// concurrent readers: set it before any job starts.
void setClock(ClockSource source);
std::int64_t clockNow();

// Restores the previous clock when it goes out of scope.
class ScopedClock {
  public:
    explicit ScopedClock(std::int64_t fixedSeconds);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    ClockSource previous_;
};

// The calendar date and the time of day in UTC from the clock. Always 0.
ResultCode todayDate(int* day, int* month, int* year);
ResultCode timeOfDay(int* hour, int* minute, int* second);

} // namespace velmar
