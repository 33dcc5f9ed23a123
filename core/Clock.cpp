#include "core/Clock.h"

#include <chrono>
#include <utility>

#include "core/Calendar.h"

namespace velmar {

namespace {

ClockSource& currentSource() {
    static ClockSource source;
    return source;
}

} // namespace

void setClock(ClockSource source) {
    currentSource() = std::move(source);
}

std::int64_t clockNow() {
    const ClockSource& source = currentSource();
    if (source) {
        return source();
    }
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

ScopedClock::ScopedClock(std::int64_t fixedSeconds) : previous_(currentSource()) {
    setClock([fixedSeconds] { return fixedSeconds; });
}

ScopedClock::~ScopedClock() {
    setClock(std::move(previous_));
}

ResultCode todayDate(int* day, int* month, int* year) {
    const CivilTime t = civilFromSeconds(clockNow());
    if (day) {
        *day = t.day;
    }
    if (month) {
        *month = t.month;
    }
    if (year) {
        *year = t.year;
    }
    return kOk;
}

ResultCode timeOfDay(int* hour, int* minute, int* second) {
    const CivilTime t = civilFromSeconds(clockNow());
    if (hour) {
        *hour = t.hour;
    }
    if (minute) {
        *minute = t.minute;
    }
    if (second) {
        *second = t.second;
    }
    return kOk;
}

} // namespace velmar
