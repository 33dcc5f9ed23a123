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
// What a merge does to the records of one kind of one file.
struct KindNotes {
    ConversionReport* report;
    RecordKind kind;
    const char* full;    // why a record is dropped: the merged table is full
    const char* renamed; // why a record is renamed
};

// Notes the records from `from` on as dropped: the merged table is full.
template <typename Record>
void noteFull(const std::vector<Record>& source, std::size_t from, const KindNotes& notes) {
    static const std::string kNoName;
    for (std::size_t i = from; notes.report != nullptr && i < source.size(); ++i) {
        if constexpr (requires { source[i].name; }) {
            RecordNotes(notes.report, notes.kind, i, source[i].name).dropped(notes.full);
        } else {
            RecordNotes(notes.report, notes.kind, i, kNoName).dropped(notes.full);
        }
    }
}

template <typename Record, typename Add>
ResultCode mergeNamed(std::vector<Record>& source, const std::vector<Record>& target,
                      std::size_t capacity, std::unordered_set<std::string>& names,
                      const char* prefix, int* counter, std::size_t width, Add add,
                      const KindNotes& notes) {
    for (std::size_t i = 0; i < source.size(); ++i) {
        Record& record = source[i];
        if (target.size() >= capacity) {
            noteFull(source, i, notes);
            break; // a full table ends its kind before anything more is renamed
        }
        if (names.count(record.name) != 0) {
            std::string before = notes.report != nullptr ? record.name : std::string();
            record.name = uniqueName(prefix, counter, width, names);
            RecordNotes(notes.report, notes.kind, i, before)
                .renamed(before, record.name, notes.renamed);
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
ResultCode mergePlain(std::vector<Record>& source, Add add, const KindNotes& notes) {
    for (std::size_t i = 0; i < source.size(); ++i) {
        const ResultCode result = add(&source[i]);
        if (result != kOk) {
            if (result != kNoMemory) {
                noteFull(source, i, notes);
            }
            return result == kNoMemory ? kNoMemory : kOk;
        }
    }
    return kOk;
}

} // namespace

MergeSession::MergeSession(NavDatabase* target, MergeCounters counters)
    : target_(target), counters_(counters) {}

ResultCode MergeSession::merge(NavDatabase* source, ConversionReport* report) {
    if (target_ == nullptr || source == nullptr) {
        return kBadArgument;
    }
    NavDatabase* target = target_;
    try {
        waypoints_.catchUp(target->waypoints);
        routes_.catchUp(target->routes);
        tracks_.catchUp(target->tracks);
        constexpr char kSameName[] = "a record of that name came from an earlier file";
        ResultCode result = mergeNamed(
            source->waypoints, target->waypoints, kNavCapacities.waypoints, waypoints_.names, "WPT",
            &counters_.waypoints, kWaypointNameWidth,
            [target](const Waypoint* w) { return addWaypoint(target, w); },
            {report, RecordKind::Waypoint, "the merged file holds 10,000 waypoints", kSameName});
        if (result == kOk) {
            result = mergeNamed(
                source->routes, target->routes, kNavCapacities.routes, routes_.names, "RTE",
                &counters_.routes, kRouteNameWidth,
                [target](const Route* r) { return addRoute(target, r); },
                {report, RecordKind::Route, "the merged file holds 1,000 routes", kSameName});
        }
        if (result == kOk) {
            result = mergeNamed(
                source->tracks, target->tracks, kNavCapacities.tracks, tracks_.names, "TRK",
                &counters_.tracks, kTrackNameWidth,
                [target](const Track* t) { return addTrack(target, t); },
                {report, RecordKind::Track, "the merged file holds 1,000 tracks", kSameName});
        }
        if (result == kOk) {
            result =
                mergePlain(source->marks, [target](const Mark* m) { return addMark(target, m); },
                           {report, RecordKind::Mark, "the merged file holds 1,000 marks", ""});
        }
        if (result == kOk) {
            result =
                mergePlain(source->lines, [target](const Line* l) { return addLine(target, l); },
                           {report, RecordKind::Line, "the merged file holds 1,000 lines", ""});
        }
        if (result == kOk) {
            result =
                mergePlain(source->zones, [target](const Zone* z) { return addZone(target, z); },
                           {report, RecordKind::Zone, "the merged file holds 1,000 zones", ""});
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
