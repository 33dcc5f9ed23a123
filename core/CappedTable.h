#pragma once
// What every record set (the navigation database and each family's set) does the same way: its
// appends, its inits and clears, and the numbering of its records. A table holds at most
// `capacity` records; an append to a full table returns the table's code and changes nothing,
// and an allocation failure returns 3 and changes nothing.

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/ResultCode.h"

namespace velmar {

// How many records each table of a record set holds, and how many points each of its records:
// the limits of the navigation database and of each device family. 0 where a set has no such
// table.
struct Capacities {
    std::size_t waypoints = 0, marks = 0;
    std::size_t routes = 0, routePoints = 0;
    std::size_t tracks = 0, trackPoints = 0;
    std::size_t lines = 0, linePoints = 0;
    std::size_t zones = 0, zonePoints = 0;
};

// The one rule for running out of memory: readers and mappings drop a record that a full table
// refuses and go on, but an allocation failure ends them. This turns 3 into std::bad_alloc,
// which the entry point of the reader or mapping returns as 3; other results pass through.
inline ResultCode unlessOutOfMemory(ResultCode result) {
    if (result == kNoMemory) {
        throw std::bad_alloc();
    }
    return result;
}

template <typename T, typename A>
ResultCode appendCapped(std::vector<T, A>& table, const T& record, std::size_t capacity,
                        ResultCode full) {
    if (table.size() >= capacity) {
        return full;
    }
    try {
        table.push_back(record); // a deep copy; a part-way copy is freed again
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (const std::length_error&) {
        return kNoMemory;
    }
    return kOk;
}

// Hands the record over instead of copying it (the caller's record is left moved-from).
template <typename T, typename A>
ResultCode appendCapped(std::vector<T, A>& table, T&& record, std::size_t capacity,
                        ResultCode full) {
    if (table.size() >= capacity) {
        return full;
    }
    try {
        table.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (const std::length_error&) {
        return kNoMemory;
    }
    return kOk;
}

// The record-set adds: a missing owner or record gives 5, else the capped append into the
// owner's table.
template <typename Owner, typename T, typename A>
ResultCode appendTo(Owner* owner, std::vector<T, A> Owner::*table, const T* record,
                    std::size_t capacity, ResultCode full) {
    if (owner == nullptr || record == nullptr) {
        return kBadArgument;
    }
    return appendCapped(owner->*table, *record, capacity, full);
}

// The moving adds of records that own points (`points`, or the table named): the caller's
// record is left without points, as after clearing them.
template <typename Owner, typename T, typename Points>
ResultCode moveTo(Owner* owner, std::vector<T> Owner::*table, T&& record, std::size_t capacity,
                  ResultCode full, Points T::*points) {
    if (owner == nullptr) {
        return kBadArgument;
    }
    const ResultCode result = appendCapped(owner->*table, std::move(record), capacity, full);
    (record.*points).clear();
    return result;
}

template <typename Owner, typename T>
ResultCode moveTo(Owner* owner, std::vector<T> Owner::*table, T&& record, std::size_t capacity,
                  ResultCode full) {
    return moveTo(owner, table, std::move(record), capacity, full, &T::points);
}

// The plain inits of records and record sets: a missing one gives 5, else every field takes its
// initial value.
template <typename R> ResultCode resetRecord(R* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    *record = R{};
    return kOk;
}

// The point clears: a missing record gives 5, else its points (`points`, or the table named) are
// freed.
template <typename R, typename Points> ResultCode clearPoints(R* record, Points R::*points) {
    if (record == nullptr) {
        return kBadArgument;
    }
    Points().swap(record->*points);
    return kOk;
}

template <typename R> ResultCode clearPoints(R* record) {
    return clearPoints(record, &R::points);
}

// Sets each record's number to its position in the table, counted from `first`.
template <typename T> void numberRecords(std::vector<T>& table, std::int32_t first) {
    for (T& record : table) {
        record.number = first++;
    }
}

// A point appended to a record's own point table.
template <typename R, typename P>
ResultCode appendPoint(R* record, const P* point, std::size_t capacity, ResultCode full) {
    return appendTo(record, &R::points, point, capacity, full);
}

} // namespace velmar
