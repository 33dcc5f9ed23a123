#include "formats/series41/Series41Sentences.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <unordered_map>

#include "core/CappedTable.h"
#include "core/FieldCodecs.h"
#include "core/FieldReader.h"
#include "core/Text.h"

namespace velmar {

namespace {

constexpr std::string_view kWaypointHead = "$PFEC,GPwpl";
constexpr std::string_view kRouteHead = "$GPRTE";
constexpr std::string_view kRouteNameHead = "$PFEC,GPrtc";
constexpr std::string_view kEndHead = "$PFEC,GPxfr";

// The text up to its first space, at most `width` bytes.
std::string_view untilSpace(std::string_view text, std::size_t width) {
    const auto space = text.find(' ');
    if (space != std::string_view::npos) {
        text = text.substr(0, space);
    }
    return text.substr(0, std::min(width, text.size()));
}

// Degrees in the first `degreeDigits` characters, minutes from there on (0 when the field is
// too short to hold any).
double readDegreesMinutes(std::string_view field, std::size_t degreeDigits) {
    const double minutes =
        field.size() > degreeDigits ? parseNumber(field.substr(degreeDigits)) : 0.0;
    const double degrees = parseNumber(field.substr(0, std::min(degreeDigits, field.size())));
    return degrees + minutes * (1.0 / 60.0);
}

// A text inside a sentence: ',' would split its field and '*' or '$' end it, so they are
// written as ';' and the family's replacement character '?'; CR, LF and NUL become a space.
void appendText(std::string& out, std::string_view text) {
    appendFieldText(out, text, kFieldBreaking, kFieldReplacements);
}

void appendPadded(std::string& out, std::string_view text, std::size_t width) {
    const std::size_t length = std::min(text.size(), width);
    appendText(out, text.substr(0, length));
    out.append(width - length, ' ');
}

// The symbol letter: 'a' + symbol, as one byte.
char symbolLetter(std::int32_t symbol) {
    const auto code = static_cast<std::uint32_t>(symbol) + static_cast<std::uint32_t>('a');
    return static_cast<char>(static_cast<unsigned char>(code & 0xFFu));
}

class SentenceReader {
  public:
    explicit SentenceReader(Series41Data* set) : set_(set) {}

    void read(std::FILE* stream) {
        LineReader reader(stream);
        std::string_view line;
        while (reader.next(&line)) {
            if (line.empty() || line.front() != '$') {
                continue;
            }
            if (startsWith(line, kWaypointHead)) {
                waypoint(FieldReader(line));
            } else if (startsWith(line, kRouteHead)) {
                route(FieldReader(line));
            } else if (startsWith(line, kRouteNameHead)) {
                routeName(FieldReader(line));
            } else if (startsWith(line, kEndHead)) {
                break; // whatever follows in the line or the stream is not read
            }
        }
        completeRoutePoints();
    }

  private:
    void waypoint(const FieldReader& f) {
        Series41Waypoint record;
        if (f.has(2)) {
            record.latitude = readDegreesMinutes(f.field(2), 2);
        }
        if (f.has(3) && f.field(3).front() == 'S') {
            record.latitude = -record.latitude;
        }
        if (f.has(4)) {
            record.longitude = readDegreesMinutes(f.field(4), 3);
        }
        if (f.has(5) && f.field(5).front() == 'W') {
            record.longitude = -record.longitude;
        }
        if (f.has(6)) {
            record.name.assign(untilSpace(f.field(6), kSeries41NameWidth));
        }
        if (f.has(8)) {
            // "@", the symbol letter (a signed byte), then the comment as it stands.
            const std::string_view text = f.field(8);
            const int letter = text.size() > 1 ? static_cast<signed char>(text[1]) : 0;
            record.symbol = letter - kSeries41SymbolBase;
            record.comment.assign(text.size() > 2 ? text.substr(2, kSeries41CommentWidth) : "");
        }
        unlessOutOfMemory(addSeries41Waypoint(set_, &record)); // a full list drops it
    }

    void route(const FieldReader& f) {
        const std::int32_t number =
            f.has(4) ? parseDecimal(f.field(4)) : kSeries41DefaultRouteNumber;
        Series41Route* existing = findSeries41Route(set_, number);
        Series41Route fresh;
        fresh.number = number;
        Series41Route* target = existing != nullptr ? existing : &fresh;
        for (int i = 5; i < 5 + static_cast<int>(kSeries41PointsPerSentence); ++i) {
            const std::string_view item = f.field(i);
            if (item.empty()) {
                break;
            }
            Series41RoutePoint point;
            point.prefix = item.front();
            point.name.assign(untilSpace(item.substr(1), kSeries41NameWidth));
            unlessOutOfMemory(addSeries41RoutePoint(target, &point)); // beyond 30: dropped
        }
        if (existing == nullptr) {
            unlessOutOfMemory(addSeries41Route(set_, &fresh)); // a full list drops it
        }
    }

    void routeName(const FieldReader& f) {
        Series41Route* target = findSeries41Route(set_, parseDecimal(f.field(2)));
        if (target != nullptr) {
            unlessOutOfMemory(setSeries41RouteName(target, f.field(3)));
        }
    }

    // Every point takes position and symbol from the first waypoint of its name.
    void completeRoutePoints() {
        std::unordered_map<std::string_view, std::size_t> firstByName;
        firstByName.reserve(set_->waypoints.size());
        for (std::size_t i = 0; i < set_->waypoints.size(); ++i) {
            firstByName.try_emplace(set_->waypoints[i].name, i);
        }
        for (Series41Route& route : set_->routes) {
            for (Series41RoutePoint& point : route.points) {
                const auto it = firstByName.find(point.name);
                if (it == firstByName.end()) {
                    continue;
                }
                const Series41Waypoint& waypoint = set_->waypoints[it->second];
                point.latitude = waypoint.latitude;
                point.longitude = waypoint.longitude;
                point.symbol = waypoint.symbol;
            }
        }
    }

    Series41Data* set_;
};

} // namespace

void appendSeries41WaypointSentence(std::string& out, const Series41Waypoint& waypoint) {
    out.append(kWaypointHead);
    out.push_back(',');
    // A position the codecs refuse leaves both its fields empty, so the sentence keeps 14 fields.
    if (latitudeInRange(waypoint.latitude)) {
        appendLatitude(out, waypoint.latitude, NmeaFields);
    } else {
        out.push_back(',');
    }
    out.push_back(',');
    if (longitudeInRange(waypoint.longitude)) {
        appendLongitude(out, waypoint.longitude, NmeaFields);
    } else {
        out.push_back(',');
    }
    out.push_back(',');
    appendPadded(out, waypoint.name, kSeries41NameWidth);
    out.append(",,@");
    out.push_back(symbolLetter(waypoint.symbol));
    appendPadded(out, waypoint.comment, kSeries41CommentWidth);
    out.push_back(',');
    out.push_back(waypoint.status);
    out.append(",,,,");
}

void appendSeries41RouteSentence(std::string& out, const Series41Route& route, int sentence) {
    const std::size_t count = route.points.size();
    const std::size_t total = (count + kSeries41PointsPerSentence - 1) / kSeries41PointsPerSentence;
    out.append(kRouteHead);
    out.push_back(',');
    appendInt(out, static_cast<long long>(total));
    out.push_back(',');
    appendInt(out, sentence);
    out.append(",C,");
    appendInt(out, route.number, 2);
    const std::size_t first =
        sentence > 0 ? static_cast<std::size_t>(sentence - 1) * kSeries41PointsPerSentence : count;
    const std::size_t last = std::min(count, first + kSeries41PointsPerSentence);
    for (std::size_t i = first; i < last; ++i) {
        out.push_back(',');
        appendText(out, std::string_view(&route.points[i].prefix, 1));
        appendPadded(out, route.points[i].name, kSeries41NameWidth);
    }
}

void appendSeries41RouteNameSentence(std::string& out, const Series41Route& route) {
    out.append(kRouteNameHead);
    out.push_back(',');
    appendInt(out, route.number, 2);
    out.push_back(',');
    appendText(out, route.name);
}

ResultCode readSeries41Sentences(std::FILE* stream, Series41Data* set) {
    if (stream == nullptr || set == nullptr) {
        return kBadArgument;
    }
    try {
        SentenceReader(set).read(stream);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeSeries41Sentences(OutputFile* stream, const Series41Data* set) {
    if (stream == nullptr || set == nullptr) {
        return kBadArgument;
    }
    try {
        std::string line;
        line.reserve(128);
        for (const Series41Waypoint& waypoint : set->waypoints) {
            line.clear();
            appendSeries41WaypointSentence(line, waypoint);
            if (!stream->writeLine(line)) {
                return kWriteFailed;
            }
        }
        for (const Series41Route& route : set->routes) {
            const std::size_t sentences =
                (route.points.size() + kSeries41PointsPerSentence - 1) / kSeries41PointsPerSentence;
            for (std::size_t k = 1; k <= sentences; ++k) {
                line.clear();
                appendSeries41RouteSentence(line, route, static_cast<int>(k));
                if (!stream->writeLine(line)) {
                    return kWriteFailed;
                }
            }
            line.clear();
            appendSeries41RouteNameSentence(line, route);
            if (!stream->writeLine(line)) {
                return kWriteFailed;
            }
        }
        if (!stream->writeLine(kSeries41EndSentence)) {
            return kWriteFailed;
        }
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return stream->failed() ? kWriteFailed : kOk;
}

} // namespace velmar
