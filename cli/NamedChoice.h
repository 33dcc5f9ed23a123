#pragma once
// An option whose value is one of a few names, stored as the name's index: the help shows the
// names ("TYPE:{hub,cmap}") and any other value is refused with "unknown type 'x'".

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace velmar::cli {

// `lookup` gives the index of a value (-1 when unknown); `more` is added to the names shown.
inline CLI::Validator namedChoice(const std::vector<std::string>& names,
                                  std::function<int(const std::string&)> lookup,
                                  const std::string& more = "") {
    std::string shown;
    for (const std::string& name : names) {
        shown += (shown.empty() ? "{" : ",") + name;
    }
    return CLI::Validator(
        [lookup = std::move(lookup)](std::string& value) -> std::string {
            const int index = lookup(value);
            if (index < 0) {
                return "unknown type '" + value + "'";
            }
            value = std::to_string(index);
            return {};
        },
        shown + "}" + more);
}

} // namespace velmar::cli
