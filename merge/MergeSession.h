#pragma once
// The renaming state of one merge job: the rename counters and a hash index of the names the
// target already holds, kept up to date across every file the job merges, so name look-ups cost
// the same whatever the size of the target.

#include <cstddef>
#include <string>
#include <unordered_set>

#include "core/ConversionReport.h"
#include "merge/MergeJob.h"

namespace velmar {

class MergeSession {
  public:
    // The target must outlive the session. The counters start at `counters`.
    explicit MergeSession(NavDatabase* target, MergeCounters counters = {});

    // mergeNavDatabase of one source into the target: 5 for a missing argument or target,
    // 3 when memory runs out, else 0. Renames and records the full target drops are noted into
    // the report, when one is given (indexes are those of the source's tables).
    ResultCode merge(NavDatabase* source, ConversionReport* report = nullptr);

    const MergeCounters& counters() const { return counters_; }

  private:
    // The names of one table of the target; records appended by others are taken in before
    // each merge (the target only ever grows, or is emptied).
    struct NameSet {
        std::unordered_set<std::string> names;
        std::size_t indexed = 0;

        template <typename Table> void catchUp(const Table& table);
        bool contains(const std::string& name) const { return names.count(name) != 0; }
    };

    NavDatabase* target_;
    MergeCounters counters_;
    NameSet waypoints_;
    NameSet routes_;
    NameSet tracks_;
};

} // namespace velmar
