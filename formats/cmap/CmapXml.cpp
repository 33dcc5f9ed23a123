#include "formats/cmap/CmapXml.h"

#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "core/Calendar.h"
#include "core/CappedTable.h"
#include "core/FieldCodecs.h"
#include "core/Text.h"

namespace velmar {

// ---------------------------------------------------------------------------------------------
// Date and time

std::int32_t encodeDateTime(int hour, int minute, int second, int day, int month, int year) {
    CivilTime time;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.day = day;
    time.month = month;
    time.year = year;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(secondsFromCivil(time)));
}

std::int32_t encodeDateTime(const CmapDateTime& time) {
    return encodeDateTime(time.hour, time.minute, time.second, time.day, time.month, time.year);
}

ResultCode decodeDateTime(std::int32_t seconds, CmapDateTime* time) {
    if (time == nullptr || seconds < 0) {
        return kBadArgument;
    }
    const CivilTime civil = civilFromSeconds(seconds);
    time->hour = civil.hour;
    time->minute = civil.minute;
    time->second = civil.second;
    time->day = civil.day;
    time->month = civil.month;
    time->year = civil.year;
    return kOk;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

constexpr std::string_view kIndent = "            "; // twelve spaces, the deepest level

// The water temperature's whole degrees, truncated toward zero; values without an integer form
// (not a number, beyond 32 bits) are held at the nearest one instead of overflowing.
std::int32_t wholeDegrees(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// A text as XML character data: '&', '<' and '>' as entities, so the document is well-formed
// and the text reads back as it was; CR, LF, NUL and the other control characters XML does not
// allow become a space (a tab stays).
void appendXmlText(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out.push_back(static_cast<unsigned char>(c) < 0x20 && c != '\t' ? ' ' : c);
            break;
        }
    }
}

// The five entities of XML turned back into their characters; any other '&' stays as it is,
// so documents written without escaping read as before.
void decodeXmlText(std::string_view text, std::string& out) {
    static constexpr struct {
        std::string_view entity;
        char character;
    } kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            bool decoded = false;
            for (const auto& e : kEntities) {
                if (text.substr(i, e.entity.size()) == e.entity) {
                    out.push_back(e.character);
                    i += e.entity.size() - 1;
                    decoded = true;
                    break;
                }
            }
            if (decoded) {
                continue;
            }
        }
        out.push_back(text[i]);
    }
}

class OutputFileSink final : public CmapLineSink {
  public:
    explicit OutputFileSink(OutputFile& file) : file_(file) {}
    bool writeLine(std::string_view text) override { return file_.writeLine(text); }

  private:
    OutputFile& file_;
};

class DocumentWriter {
  public:
    DocumentWriter(CmapLineSink& sink, const CmapDatabase& database) : sink_(sink), db_(database) {
        text_.reserve(160);
    }

    ResultCode write(int selector) {
        bool done = true;
        switch (selector) {
        case CmapAllKinds:
            done =
                line(0, "<C_MAP>") && waypointList() && routes() && tracks() && line(0, "</C_MAP>");
            break;
        case CmapWaypointsOnly:
            if (!db_.waypoints.empty()) {
                done = line(0, "<C_MAP>") && waypointList() && line(0, "</C_MAP>");
            }
            break;
        case CmapRoutesOnly:
            if (!db_.routes.empty()) {
                done = line(0, "<C_MAP>") && routes() && line(0, "</C_MAP>");
            }
            break;
        case CmapTracksOnly:
            if (!db_.tracks.empty()) {
                done = line(0, "<C_MAP>") && tracks() && line(0, "</C_MAP>");
            }
            break;
        default:
            break;
        }
        return done && !passedOver_ ? kOk : kWriteFailed;
    }

  private:
    // A line whose failure ends the document.
    bool line(std::size_t indent, std::string_view content) {
        text_.assign(kIndent.substr(0, indent));
        text_ += content;
        return sink_.writeLine(text_);
    }

    void open(std::size_t indent, std::string_view tag) {
        text_.assign(kIndent.substr(0, indent));
        text_ += '<';
        text_ += tag;
        text_ += '>';
    }
    void close(std::string_view tag) {
        text_ += "</";
        text_ += tag;
        text_ += '>';
    }

    // The element lines of a record at twelve spaces. `emit` writes text_ and says whether to
    // go on; each appender fills text_ with one line.
    template <typename Emit>
    bool textElement(std::string_view tag, std::string_view value, Emit emit) {
        open(12, tag);
        appendXmlText(text_, value);
        close(tag);
        return emit();
    }
    template <typename Emit> bool intElement(std::string_view tag, long long value, Emit emit) {
        open(12, tag);
        appendInt(text_, value);
        close(tag);
        return emit();
    }
    template <typename Emit> bool fixedElement(std::string_view tag, double value, Emit emit) {
        open(12, tag);
        appendFixed(text_, value, 6);
        close(tag);
        return emit();
    }
    template <typename Emit> bool latitudeElement(double value, Emit emit) {
        open(12, "LATITUDE");
        appendLatitude(text_, value, Spaced); // nothing when out of range
        close("LATITUDE");
        return emit();
    }
    template <typename Emit> bool longitudeElement(double value, Emit emit) {
        open(12, "LONGITUDE");
        appendLongitude(text_, value, Spaced);
        close("LONGITUDE");
        return emit();
    }

    // The ten elements every waypoint has, in their order.
    template <typename W, typename Emit> bool waypointElements(const W& w, Emit emit) {
        return textElement("NAME", w.name, emit) &&
               textElement("DESCRIPTION", w.description, emit) &&
               latitudeElement(w.latitude, emit) && longitudeElement(w.longitude, emit) &&
               fixedElement("ALTITUDE", w.altitude, emit) && fixedElement("SPEED", w.speed, emit) &&
               intElement("TYPE", w.type, emit) && intElement("ICON", w.icon, emit) &&
               intElement("ICONCOLOR", w.iconColor, emit) &&
               intElement("DATE_TIME", encodeDateTime(w.dateTime), emit);
    }

    bool waypointList() {
        if (db_.waypoints.empty()) {
            return true;
        }
        const auto emit = [this] { return sink_.writeLine(text_); };
        if (!line(4, "<WAYPOINTS>")) {
            return false;
        }
        for (const CmapWaypoint& waypoint : db_.waypoints) {
            if (!line(8, "<WAYPOINT>") || !waypointElements(waypoint, emit) ||
                !line(8, "</WAYPOINT>")) {
                return false;
            }
        }
        return line(4, "</WAYPOINTS>");
    }

    // Lines inside route waypoints and track points: a failure is passed over.
    bool tolerant() {
        if (!sink_.writeLine(text_)) {
            passedOver_ = true;
        }
        return true;
    }

    bool routes() {
        const auto emit = [this] { return tolerant(); };
        for (const CmapRoute& route : db_.routes) {
            if (!line(4, "<ROUTE>")) {
                return false;
            }
            open(8, "NAME");
            appendXmlText(text_, route.name);
            close("NAME");
            if (!sink_.writeLine(text_)) {
                return false;
            }
            open(8, "DESCRIPTION");
            appendXmlText(text_, route.description);
            close("DESCRIPTION");
            if (!sink_.writeLine(text_) || !line(8, "<COLOR>BLACK</COLOR>")) {
                return false;
            }
            for (const CmapRouteWaypoint& waypoint : route.waypoints) {
                text_.assign(kIndent.substr(0, 8));
                text_ += "<WAYPOINT>";
                emit();
                waypointElements(waypoint, emit);
                fixedElement("BEARING", waypoint.bearing, emit);
                fixedElement("DISTANCE", waypoint.distance, emit);
                fixedElement("INCREMENTAL_DISTANCE", waypoint.incrementalDistance, emit);
                text_.assign(kIndent.substr(0, 8));
                text_ += "</WAYPOINT>";
                emit();
            }
            if (!line(4, "</ROUTE>")) {
                return false;
            }
        }
        return true;
    }

    bool tracks() {
        const auto emit = [this] { return tolerant(); };
        for (const CmapTrack& track : db_.tracks) {
            if (!line(4, "<TRACK>")) {
                return false;
            }
            for (const CmapTrackPoint& point : track.points) {
                const std::int32_t stamp = encodeDateTime(point.dateTime);
                text_.assign(kIndent.substr(0, 8));
                text_ += "<POINT>";
                emit();
                latitudeElement(point.latitude, emit);
                longitudeElement(point.longitude, emit);
                intElement("FORECOLOR", point.foreColor, emit);
                intElement("BACKCOLOR", point.backColor, emit);
                intElement("PATTERN", point.pattern, emit);
                fixedElement("ALTITUDE", point.altitude, emit);
                fixedElement("TRIP_DIST", point.tripDist, emit);
                fixedElement("SOG", point.sog, emit);
                intElement("DATE_TIME", stamp, emit);
                intElement("DATE_TIME_TEXT", stamp, emit);
                fixedElement("COG", point.cog, emit);
                intElement("WATER_TEMP", wholeDegrees(point.waterTemp), emit);
                text_.assign(kIndent.substr(0, 8));
                text_ += "</POINT>";
                emit();
            }
            if (!line(4, "</TRACK>")) {
                return false;
            }
        }
        return true;
    }

    CmapLineSink& sink_;
    const CmapDatabase& db_;
    std::string text_;
    bool passedOver_ = false;
};

// ---------------------------------------------------------------------------------------------
// Reading

// Splits one line into its tag and value; false when the line holds no usable tag.
bool splitLine(std::string_view line, std::string_view* tag, std::string_view* value) {
    // Only the space character is trimmed at the start; spaces and line ends at the end.
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    line.remove_prefix(first);
    line = line.substr(0, line.find_last_not_of(" \r\n") + 1);
    const std::size_t open = line.find('<');
    if (open == std::string_view::npos) {
        return false;
    }
    const std::size_t close = line.find('>', open + 1);
    if (close == std::string_view::npos) {
        return false; // a tag that is not closed
    }
    *tag = line.substr(open + 1, close - open - 1);
    if (tag->size() > kCmapMaxTagText) {
        return false;
    }
    const std::string_view rest = line.substr(close + 1);
    const std::size_t end = rest.find('<');
    if (end == std::string_view::npos) {
        *value = {}; // a value without its closing tag counts as empty
        return true;
    }
    *value = rest.substr(0, end); // its length is checked once its entities are read
    return true;
}

enum class State { Start, Document, WaypointList, Waypoint, Route, RouteWaypoint, Track, Point };

class DocumentReader {
  public:
    DocumentReader(CmapDatabase& database, ConversionReport* report)
        : db_(database), report_(report) {}

    void read(std::FILE* file) {
        LineReader reader(file);
        std::string_view line;
        while (reader.next(&line)) {
            std::string_view tag;
            std::string_view value;
            if (!splitLine(line, &tag, &value)) {
                continue;
            }
            if (value.find('&') != std::string_view::npos) {
                decodeXmlText(value, decoded_);
                value = decoded_;
            }
            if (value.size() > kCmapMaxTagText) {
                continue; // a value too long to be one of ours
            }
            if (value.empty() ? !container(tag) : !field(tag, value)) {
                break; // the end of the document
            }
        }
        // Unclosed records are not appended.
        clearCmapRouteWaypoints(&route_);
        clearCmapTrackPoints(&track_);
    }

  private:
    // A tag with an empty value; false at /C_MAP.
    bool container(std::string_view tag) {
        switch (state_) {
        case State::Start:
            if (tag == "C_MAP") {
                state_ = State::Document;
            }
            break;
        case State::Document:
            if (tag == "WAYPOINTS") {
                state_ = State::WaypointList;
            } else if (tag == "ROUTE") {
                clearCmapRouteWaypoints(&route_);
                initCmapRoute(&route_);
                pointsSeen_ = pointsKept_ = 0;
                state_ = State::Route;
            } else if (tag == "TRACK") {
                clearCmapTrackPoints(&track_);
                initCmapTrack(&track_);
                pointsSeen_ = pointsKept_ = 0;
                state_ = State::Track;
            } else if (tag == "/C_MAP") {
                return false;
            }
            break;
        case State::WaypointList:
            if (tag == "/WAYPOINTS") {
                state_ = State::Document;
            } else if (tag == "WAYPOINT") {
                initCmapWaypoint(&waypoint_);
                state_ = State::Waypoint;
            }
            break;
        case State::Waypoint:
            if (tag == "/WAYPOINT") {
                const ResultCode added = unlessOutOfMemory(addCmapWaypoint(&db_, &waypoint_));
                noteClosed(RecordKind::Waypoint, waypoints_++, waypoint_.name, added, 0, 0);
                state_ = State::WaypointList;
            }
            break;
        case State::Route:
            if (tag == "/ROUTE") {
                if (report_ != nullptr) {
                    name_ = route_.name; // the route is handed over
                }
                const ResultCode added = unlessOutOfMemory(addCmapRoute(&db_, std::move(route_)));
                noteClosed(RecordKind::Route, routes_++, name_, added, pointsSeen_, pointsKept_);
                clearCmapRouteWaypoints(&route_);
                state_ = State::Document;
            } else if (tag == "WAYPOINT") {
                initCmapRouteWaypoint(&routeWaypoint_);
                state_ = State::RouteWaypoint;
            }
            break;
        case State::RouteWaypoint:
            if (tag == "/WAYPOINT") {
                const ResultCode added =
                    unlessOutOfMemory(addCmapRouteWaypoint(&route_, &routeWaypoint_));
                pointsKept_ += added == kOk ? 1 : 0;
                ++pointsSeen_;
                state_ = State::Route;
            }
            break;
        case State::Track:
            if (tag == "/TRACK") {
                const ResultCode added = unlessOutOfMemory(addCmapTrack(&db_, std::move(track_)));
                noteClosed(RecordKind::Track, tracks_++, kNoName, added, pointsSeen_, pointsKept_);
                clearCmapTrackPoints(&track_);
                state_ = State::Document;
            } else if (tag == "POINT") {
                initCmapTrackPoint(&point_);
                state_ = State::Point;
            }
            break;
        case State::Point:
            if (tag == "/POINT") {
                const ResultCode added = unlessOutOfMemory(addCmapTrackPoint(&track_, &point_));
                pointsKept_ += added == kOk ? 1 : 0;
                ++pointsSeen_;
                state_ = State::Track;
            }
            break;
        }
        return true;
    }

    // A record the full table dropped, or the points a record's full list dropped.
    void noteClosed(RecordKind kind, std::size_t index, const std::string& name, ResultCode added,
                    std::size_t seen, std::size_t kept) const {
        if (report_ == nullptr) {
            return;
        }
        const RecordNotes notes(report_, kind, index, name);
        if (added != kOk) {
            notes.dropped(
                kind == RecordKind::Waypoint ? "at most 10,000 waypoints are read from a CMAP file"
                : kind == RecordKind::Route  ? "at most 1,000 routes are read from a CMAP file"
                                             : "at most 1,000 tracks are read from a CMAP file");
        } else {
            notes.pointsDropped(
                seen, kept,
                kind == RecordKind::Route
                    ? "at most 1,000 points of a route are read from a CMAP file"
                    : "at most 100,000 points of a track are read from a CMAP file");
        }
    }

    // A tag with a non-empty value. Always true: fields never end the document.
    bool field(std::string_view tag, std::string_view value) {
        switch (state_) {
        case State::Waypoint:
            waypointField(tag, value, waypoint_);
            break;
        case State::RouteWaypoint:
            if (!waypointField(tag, value, routeWaypoint_)) {
                if (tag == "BEARING") {
                    routeWaypoint_.bearing = parseNumber(value);
                } else if (tag == "DISTANCE") {
                    routeWaypoint_.distance = parseNumber(value);
                } else if (tag == "INCREMENTAL_DISTANCE") {
                    routeWaypoint_.incrementalDistance = parseNumber(value);
                }
            }
            break;
        case State::Route:
            if (tag == "NAME") {
                copyText(route_.name, value, kCmapNameWidth);
            } else if (tag == "DESCRIPTION") {
                copyText(route_.description, value, kCmapDescriptionWidth);
            } else if (tag == "COLOR") {
                route_.colour = 0; // whatever the text: the documents know only black
            }
            break;
        case State::Point:
            pointField(tag, value);
            break;
        default:
            break;
        }
        return true;
    }

    // The fields every waypoint has; false when the tag is not one of them.
    template <typename W>
    static bool waypointField(std::string_view tag, std::string_view value, W& w) {
        if (tag == "NAME") {
            copyText(w.name, value, kCmapNameWidth);
        } else if (tag == "DESCRIPTION") {
            copyText(w.description, value, kCmapDescriptionWidth);
        } else if (tag == "LATITUDE") {
            parseLatitude(value, Spaced, &w.latitude);
        } else if (tag == "LONGITUDE") {
            parseLongitude(value, Spaced, &w.longitude);
        } else if (tag == "ALTITUDE") {
            w.altitude = parseNumber(value);
        } else if (tag == "SPEED") {
            w.speed = parseNumber(value);
        } else if (tag == "TYPE") {
            w.type = parseDecimal(value);
        } else if (tag == "ICON") {
            w.icon = parseDecimal(value);
        } else if (tag == "ICONCOLOR") {
            w.iconColor = parseDecimal(value);
        } else if (tag == "DATE_TIME") {
            decodeDateTime(parseDecimal(value), &w.dateTime);
        } else {
            return false;
        }
        return true;
    }

    void pointField(std::string_view tag, std::string_view value) {
        CmapTrackPoint& p = point_;
        if (tag == "LATITUDE") {
            parseLatitude(value, Spaced, &p.latitude);
        } else if (tag == "LONGITUDE") {
            parseLongitude(value, Spaced, &p.longitude);
        } else if (tag == "FORECOLOR") {
            p.foreColor = parseDecimal(value);
        } else if (tag == "BACKCOLOR") {
            p.backColor = parseDecimal(value);
        } else if (tag == "PATTERN") {
            p.pattern = parseDecimal(value);
        } else if (tag == "ALTITUDE") {
            p.altitude = parseNumber(value);
        } else if (tag == "TRIP_DIST") {
            p.tripDist = parseNumber(value);
        } else if (tag == "SOG") {
            p.sog = parseNumber(value);
        } else if (tag == "COG") {
            p.cog = parseNumber(value);
        } else if (tag == "WATER_TEMP") {
            p.waterTemp = parseNumber(value);
        } else if (tag == "DATE_TIME") {
            decodeDateTime(parseDecimal(value), &p.dateTime);
        }
        // DATE_TIME_TEXT repeats DATE_TIME and is not read.
    }

    static inline const std::string kNoName; // CMAP tracks have none

    CmapDatabase& db_;
    ConversionReport* report_;
    // The records of each kind closed so far, and the points of the open route or track.
    std::size_t waypoints_ = 0;
    std::size_t routes_ = 0;
    std::size_t tracks_ = 0;
    std::size_t pointsSeen_ = 0;
    std::size_t pointsKept_ = 0;
    std::string name_;
    std::string decoded_;
    State state_ = State::Start;
    CmapWaypoint waypoint_;
    CmapRouteWaypoint routeWaypoint_;
    CmapRoute route_;
    CmapTrack track_;
    CmapTrackPoint point_;
};

} // namespace

ResultCode writeCmapRecords(CmapLineSink* sink, const CmapDatabase* database, int selector) {
    if (sink == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        DocumentWriter writer(*sink, *database);
        return writer.write(selector);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeCmapRecords(OutputFile* file, const CmapDatabase* database, int selector) {
    if (file == nullptr) {
        return kBadArgument;
    }
    OutputFileSink sink(*file);
    return writeCmapRecords(&sink, database, selector);
}

ResultCode readCmapRecords(std::FILE* file, CmapDatabase* database, ConversionReport* report) {
    if (file == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        DocumentReader reader(*database, report);
        reader.read(file);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode loadCmapFile(const char* path, CmapDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    return readCmapRecords(file.get(), database, report);
}

ResultCode saveCmapFile(const CmapDatabase* database, const char* path) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    OutputFile file;
    const ResultCode created = file.create(path);
    if (created != kOk) {
        return created;
    }
    const ResultCode written = writeCmapRecords(&file, database, CmapAllKinds);
    return written != kOk ? written : file.close(); // a failed document is discarded
}

ResultCode writeCmapFileSet(const CmapDatabase* database, const char* basePath) {
    if (basePath == nullptr || database == nullptr) {
        return kBadArgument;
    }
    const auto part = [database](const char* suffix, bool hasRecords, int selector) {
        return FileSetPart{suffix, hasRecords, [database, selector](OutputFile& file) {
                               return writeCmapRecords(&file, database, selector);
                           }};
    };
    try {
        const std::vector<FileSetPart> parts = {
            part(kCmapWaypointSuffix, !database->waypoints.empty(), CmapWaypointsOnly),
            part(kCmapRouteSuffix, !database->routes.empty(), CmapRoutesOnly),
            part(kCmapTrackSuffix, !database->tracks.empty(), CmapTracksOnly),
        };
        return writeFileSet(basePath, parts);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
