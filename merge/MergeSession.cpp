#include "merge/MergeSession.h"

#include <new>

#include "core/Text.h"

namespace velmar {

template <typename Table> void MergeSession::NameSet::catchUp(const Table& table) {
    if (table.size() < indexed) {
        names.clear(); // the target was emptied
        indexed = 0;
    }
    for (; indexed < table.size(); ++indexed) {
        names.insert(table[indexed].name);
    }
}

namespace {

// A name that is not in the set yet: prefix + the counter, cut to the field's width. Every
// candidate tried uses up its number.
std::string uniqueName(const char* prefix, int* counter, std::size_t width,
                       const std::unordered_set<std::string>& taken) {
    std::string candidate;
    do {
        candidate = prefix;
        appendInt(candidate, (*counter)++);
        candidate.resize(std::min(candidate.size(), width));
    } while (taken.count(candidate) != 0);
    return candidate;
}

// Appends the records of one kind whose names must stay unique. A clash renames the source
// record in place. Stops at the first refusal (a full table).
template <typename Record, typename Add>
ResultCode mergeNamed(std::vector<Record>& source, const std::vector<Record>& target,
                      std::size_t capacity, std::unordered_set<std::string>& names,
                      const char* prefix, int* counter, std::size_t width, Add add) {
    for (Record& record : source) {
        if (target.size() >= capacity) {
            break; // a full table ends its kind before anything more is renamed
        }
        if (names.count(record.name) != 0) {
            record.name = uniqueName(prefix, counter, width, names);
        }
        const ResultCode result = add(&record);
        if (result != kOk) {
            return result == kNoMemory ? kNoMemory : kOk;
        }
        names.insert(record.name);
    }
    return kOk;
}

template <typename Record, typename Add>
ResultCode mergePlain(std::vector<Record>& source, Add add) {
    for (Record& record : source) {
        const ResultCode result = add(&record);
        if (result != kOk) {
            return result == kNoMemory ? kNoMemory : kOk;
        }
    }
    return kOk;
}

} // namespace

MergeSession::MergeSession(NavDatabase* target, MergeCounters counters)
    : target_(target), counters_(counters) {}

ResultCode MergeSession::merge(NavDatabase* source) {
    if (target_ == nullptr || source == nullptr) {
        return kBadArgument;
    }
    NavDatabase* target = target_;
    try {
        waypoints_.catchUp(target->waypoints);
        routes_.catchUp(target->routes);
        tracks_.catchUp(target->tracks);
        ResultCode result =
            mergeNamed(source->waypoints, target->waypoints, kMaxWaypoints, waypoints_.names, "WPT",
                       &counters_.waypoints, kWaypointNameWidth,
                       [target](const Waypoint* w) { return addWaypoint(target, w); });
        if (result == kOk) {
            result = mergeNamed(source->routes, target->routes, kMaxRoutes, routes_.names, "RTE",
                                &counters_.routes, kRouteNameWidth,
                                [target](const Route* r) { return addRoute(target, r); });
        }
        if (result == kOk) {
            result = mergeNamed(source->tracks, target->tracks, kMaxTracks, tracks_.names, "TRK",
                                &counters_.tracks, kTrackNameWidth,
                                [target](const Track* t) { return addTrack(target, t); });
        }
        if (result == kOk) {
            result =
                mergePlain(source->marks, [target](const Mark* m) { return addMark(target, m); });
        }
        if (result == kOk) {
            result =
                mergePlain(source->lines, [target](const Line* l) { return addLine(target, l); });
        }
        if (result == kOk) {
            result =
                mergePlain(source->zones, [target](const Zone* z) { return addZone(target, z); });
        }
        waypoints_.indexed = target->waypoints.size();
        routes_.indexed = target->routes.size();
        tracks_.indexed = target->tracks.size();
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
