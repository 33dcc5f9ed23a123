#include "formats/cmap/CmapXml.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <string>

#include "core/Calendar.h"
#include "core/CappedTable.h"
#include "core/FieldCodecs.h"
#include "core/Text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

// ---------------------------------------------------------------------------------------------
// Date and time

std::int32_t encodeDateTime(int hour, int minute, int second, int day, int month, int year) {
    return encodeDateTime(CmapDateTime{hour, minute, second, day, month, year});
}

std::int32_t encodeDateTime(const CmapDateTime& time) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(secondsFromCivil(time)));
}

ResultCode decodeDateTime(std::int32_t seconds, CmapDateTime* time) {
    if (time == nullptr || seconds < 0) {
        return kBadArgument;
    }
    *time = civilFromSeconds(seconds);
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

// The opening and closing text of an element line at the depth of record fields (twelve
// spaces), made once per tag; `slot` numbers the tag for the writer's line cache.
struct ElementText {
    std::string open;  // "            <TAG>"
    std::string close; // "</TAG>"
    std::size_t slot;
    ElementText(std::string_view tag, std::size_t number)
        : open(std::string(kIndent) + '<' + std::string(tag) + '>'),
          close("</" + std::string(tag) + '>'), slot(number) {}
};

struct FieldElements {
    static constexpr std::size_t kCount = 21;
    ElementText name{"NAME", 0}, description{"DESCRIPTION", 1}, latitude{"LATITUDE", 2},
        longitude{"LONGITUDE", 3}, altitude{"ALTITUDE", 4}, speed{"SPEED", 5}, type{"TYPE", 6},
        icon{"ICON", 7}, iconColor{"ICONCOLOR", 8}, dateTime{"DATE_TIME", 9},
        bearing{"BEARING", 10}, distance{"DISTANCE", 11},
        incrementalDistance{"INCREMENTAL_DISTANCE", 12}, foreColor{"FORECOLOR", 13},
        backColor{"BACKCOLOR", 14}, pattern{"PATTERN", 15}, tripDist{"TRIP_DIST", 16},
        sog{"SOG", 17}, dateTimeText{"DATE_TIME_TEXT", 18}, cog{"COG", 19},
        waterTemp{"WATER_TEMP", 20};
};

const FieldElements& fieldElements() {
    static const FieldElements elements;
    return elements;
}

// The records of a CmapDatabase as they stand.
class DatabaseSource final : public CmapRecordSource {
  public:
    explicit DatabaseSource(const CmapDatabase& database) : db_(database) {}
    std::size_t waypointCount() const override { return db_.waypoints.size(); }
    const CmapWaypoint& waypoint(std::size_t index) override { return db_.waypoints[index]; }
    std::size_t routeCount() const override { return db_.routes.size(); }
    const CmapRoute& route(std::size_t index) override { return db_.routes[index]; }
    std::size_t routeWaypointCount(std::size_t route) const override {
        return db_.routes[route].waypoints.size();
    }
    const CmapRouteWaypoint& routeWaypoint(std::size_t route, std::size_t index) override {
        return db_.routes[route].waypoints[index];
    }
    std::size_t trackCount() const override { return db_.tracks.size(); }
    std::size_t trackPointCount(std::size_t track) const override {
        return db_.tracks[track].points.size();
    }
    const CmapTrackPoint& trackPoint(std::size_t track, std::size_t index) override {
        return db_.tracks[track].points[index];
    }

  private:
    const CmapDatabase& db_;
};

class DocumentWriter {
  public:
    // Lines go to the sink, or straight into the output file's buffer.
    DocumentWriter(CmapLineSink* sink, OutputFile* file, CmapRecordSource& source)
        : sink_(sink), file_(file), source_(source), e_(fieldElements()) {
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
            if (source_.waypointCount() != 0) {
                done = line(0, "<C_MAP>") && waypointList() && line(0, "</C_MAP>");
            }
            break;
        case CmapRoutesOnly:
            if (source_.routeCount() != 0) {
                done = line(0, "<C_MAP>") && routes() && line(0, "</C_MAP>");
            }
            break;
        case CmapTracksOnly:
            if (source_.trackCount() != 0) {
                done = line(0, "<C_MAP>") && tracks() && line(0, "</C_MAP>");
            }
            break;
        default:
            break;
        }
        return done && !passedOver_ ? kOk : kWriteFailed;
    }

  private:
    // The line being built (without its line end), and its end: written or not.
    std::string& begin() {
        if (file_ != nullptr) {
            out_ = &file_->buffer();
        } else {
            text_.clear();
            out_ = &text_;
        }
        return *out_;
    }
    bool finish() { return file_ != nullptr ? file_->endLine() : sink_->writeLine(text_); }

    // A line whose failure ends the document.
    bool line(std::size_t indent, std::string_view content) {
        begin().append(kIndent.substr(0, indent));
        *out_ += content;
        return finish();
    }

    void open(std::size_t indent, std::string_view tag) {
        begin().append(kIndent.substr(0, indent));
        *out_ += '<';
        *out_ += tag;
        *out_ += '>';
    }
    void close(std::string_view tag) {
        *out_ += "</";
        *out_ += tag;
        *out_ += '>';
    }

    // The element lines of a record at twelve spaces. `emit` ends the line and says whether to
    // go on; each appender builds one line.
    template <typename Emit>
    bool textElement(const ElementText& element, std::string_view value, Emit emit) {
        begin().append(element.open);
        appendXmlText(*out_, value);
        *out_ += element.close;
        return emit();
    }
    // A number's line is made once for each new value: the same value in the next record (the
    // colours, zeros and time stamps of a long track) is the same line.
    template <typename Emit, typename Append>
    bool numberElement(const ElementText& element, std::uint64_t key, Emit emit, Append append) {
        CachedLine& cached = cache_[element.slot];
        if (!cached.valid || cached.key != key) {
            cached.valid = false;
            cached.line.assign(element.open);
            append(cached.line);
            cached.line += element.close;
            cached.key = key;
            cached.valid = true;
        }
        begin().append(cached.line);
        return emit();
    }
    template <typename Emit>
    bool intElement(const ElementText& element, long long value, Emit emit) {
        return numberElement(element, static_cast<std::uint64_t>(value), emit,
                             [value](std::string& out) { appendInt(out, value); });
    }
    template <typename Emit>
    bool fixedElement(const ElementText& element, double value, Emit emit) {
        return numberElement(element, std::bit_cast<std::uint64_t>(value), emit,
                             [value](std::string& out) { appendFixed(out, value, 6); });
    }
    template <typename Emit> bool latitudeElement(double value, Emit emit) {
        begin().append(e_.latitude.open);
        appendLatitude(*out_, value, Spaced); // nothing when out of range
        *out_ += e_.latitude.close;
        return emit();
    }
    template <typename Emit> bool longitudeElement(double value, Emit emit) {
        begin().append(e_.longitude.open);
        appendLongitude(*out_, value, Spaced);
        *out_ += e_.longitude.close;
        return emit();
    }

    // The ten elements every waypoint has, in their order.
    template <typename Emit> bool waypointElements(const CmapWaypoint& w, Emit emit) {
        return textElement(e_.name, w.name, emit) &&
               textElement(e_.description, w.description, emit) &&
               latitudeElement(w.latitude, emit) && longitudeElement(w.longitude, emit) &&
               fixedElement(e_.altitude, w.altitude, emit) &&
               fixedElement(e_.speed, w.speed, emit) && intElement(e_.type, w.type, emit) &&
               intElement(e_.icon, w.icon, emit) && intElement(e_.iconColor, w.iconColor, emit) &&
               intElement(e_.dateTime, encodeDateTime(w.dateTime), emit);
    }

    bool waypointList() {
        const std::size_t count = source_.waypointCount();
        if (count == 0) {
            return true;
        }
        const auto emit = [this] { return finish(); };
        if (!line(4, "<WAYPOINTS>")) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (!line(8, "<WAYPOINT>") || !waypointElements(source_.waypoint(i), emit) ||
                !line(8, "</WAYPOINT>")) {
                return false;
            }
        }
        return line(4, "</WAYPOINTS>");
    }

    // Lines inside route waypoints and track points: a failure is passed over.
    bool tolerant() {
        if (!finish()) {
            passedOver_ = true;
        }
        return true;
    }

    bool routes() {
        const auto emit = [this] { return tolerant(); };
        for (std::size_t r = 0; r < source_.routeCount(); ++r) {
            const CmapRoute& route = source_.route(r);
            if (!line(4, "<ROUTE>")) {
                return false;
            }
            open(8, "NAME");
            appendXmlText(*out_, route.name);
            close("NAME");
            if (!finish()) {
                return false;
            }
            open(8, "DESCRIPTION");
            appendXmlText(*out_, route.description);
            close("DESCRIPTION");
            if (!finish() || !line(8, "<COLOR>BLACK</COLOR>")) {
                return false;
            }
            const std::size_t count = source_.routeWaypointCount(r);
            for (std::size_t i = 0; i < count; ++i) {
                const CmapRouteWaypoint& waypoint = source_.routeWaypoint(r, i);
                begin().append(kIndent.substr(0, 8));
                *out_ += "<WAYPOINT>";
                emit();
                waypointElements(waypoint, emit);
                fixedElement(e_.bearing, waypoint.bearing, emit);
                fixedElement(e_.distance, waypoint.distance, emit);
                fixedElement(e_.incrementalDistance, waypoint.incrementalDistance, emit);
                begin().append(kIndent.substr(0, 8));
                *out_ += "</WAYPOINT>";
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
        for (std::size_t t = 0; t < source_.trackCount(); ++t) {
            if (!line(4, "<TRACK>")) {
                return false;
            }
            const std::size_t count = source_.trackPointCount(t);
            for (std::size_t i = 0; i < count; ++i) {
                const CmapTrackPoint& point = source_.trackPoint(t, i);
                const std::int32_t stamp = encodeDateTime(point.dateTime);
                begin().append(kIndent.substr(0, 8));
                *out_ += "<POINT>";
                emit();
                latitudeElement(point.latitude, emit);
                longitudeElement(point.longitude, emit);
                intElement(e_.foreColor, point.foreColor, emit);
                intElement(e_.backColor, point.backColor, emit);
                intElement(e_.pattern, point.pattern, emit);
                fixedElement(e_.altitude, point.altitude, emit);
                fixedElement(e_.tripDist, point.tripDist, emit);
                fixedElement(e_.sog, point.sog, emit);
                intElement(e_.dateTime, stamp, emit);
                intElement(e_.dateTimeText, stamp, emit);
                fixedElement(e_.cog, point.cog, emit);
                intElement(e_.waterTemp, wholeDegrees(point.waterTemp), emit);
                begin().append(kIndent.substr(0, 8));
                *out_ += "</POINT>";
                emit();
            }
            if (!line(4, "</TRACK>")) {
                return false;
            }
        }
        return true;
    }

    struct CachedLine {
        bool valid = false;
        std::uint64_t key = 0;
        std::string line;
    };

    CmapLineSink* sink_;
    OutputFile* file_;
    std::array<CachedLine, FieldElements::kCount> cache_;
    CmapRecordSource& source_;
    const FieldElements& e_;
    std::string text_;
    std::string* out_ = &text_;
    bool passedOver_ = false;
};

// ---------------------------------------------------------------------------------------------
// Reading

// Splits one line into its tag and value; false when the line holds no usable tag. The tag
// runs from the first '<' to the next '>', the value from there to the next '<' (empty when no
// '<' follows), so spaces around the element and the line end change nothing. `entities` says
// whether the value holds a '&'.
bool splitLine(std::string_view line, std::string_view* tag, std::string_view* value,
               bool* entities) {
    constexpr std::size_t kNone = std::string_view::npos;
    const char* const p = line.data();
    const std::size_t n = line.size();
    std::size_t open = kNone;
    std::size_t close = kNone;
    std::size_t valueEnd = kNone;
    bool ampersand = false;
#if defined(__SSE2__)
    // Sixteen bytes at a time: a bit mask each of '<', '>' and '&'.
    for (std::size_t i = 0; i < n && valueEnd == kNone; i += 16) {
        __m128i v;
        if (i + 16 <= n) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        } else {
            char tail[16] = {};
            std::memcpy(tail, p + i, n - i);
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
        }
        const auto mask = [&v](char c) {
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
        };
        const auto after = [i](unsigned bits, std::size_t from) {
            return from < i ? bits : bits & (~0u << (from - i + 1));
        };
        const unsigned lt = mask('<');
        if (open == kNone) {
            if (lt == 0) {
                continue;
            }
            open = i + static_cast<std::size_t>(std::countr_zero(lt));
        }
        if (close == kNone) {
            const unsigned gt = after(mask('>'), open);
            if (gt == 0) {
                continue;
            }
            close = i + static_cast<std::size_t>(std::countr_zero(gt));
        }
        unsigned amp = after(mask('&'), close);
        const unsigned next = after(lt, close);
        if (next != 0) {
            valueEnd = i + static_cast<std::size_t>(std::countr_zero(next));
            amp &= (1u << (valueEnd - i)) - 1;
        }
        ampersand = ampersand || amp != 0;
    }
#else
    for (std::size_t i = 0; i < n && valueEnd == kNone; ++i) {
        const char c = p[i];
        if (open == kNone) {
            open = c == '<' ? i : kNone;
        } else if (close == kNone) {
            close = c == '>' ? i : kNone;
        } else if (c == '<') {
            valueEnd = i;
        } else {
            ampersand = ampersand || c == '&';
        }
    }
#endif
    if (close == kNone) {
        return false; // no tag, or one that is not closed
    }
    *tag = line.substr(open + 1, close - open - 1);
    if (tag->size() > kCmapMaxTagText) {
        return false;
    }
    // A value without its closing tag counts as empty; its length is checked once its entities
    // are read.
    *value = valueEnd == kNone ? std::string_view() : line.substr(close + 1, valueEnd - close - 1);
    *entities = ampersand && !value->empty();
    return true;
}

// The tags the reader knows, told apart by their length and first letters.
enum class Tag {
    Other,
    CMap,
    CMapEnd,
    Waypoints,
    WaypointsEnd,
    Waypoint,
    WaypointEnd,
    Route,
    RouteEnd,
    Track,
    TrackEnd,
    Point,
    PointEnd,
    Name,
    Description,
    Color,
    Latitude,
    Longitude,
    Altitude,
    Speed,
    Type,
    Icon,
    IconColor,
    DateTime,
    Bearing,
    Distance,
    IncrementalDistance,
    ForeColor,
    BackColor,
    Pattern,
    TripDist,
    Sog,
    Cog,
    WaterTemp,
};

Tag tagOf(std::string_view tag) {
    static constexpr struct {
        std::string_view text;
        Tag tag;
    } kTags[] = {
        {"C_MAP", Tag::CMap},
        {"/C_MAP", Tag::CMapEnd},
        {"WAYPOINTS", Tag::Waypoints},
        {"/WAYPOINTS", Tag::WaypointsEnd},
        {"WAYPOINT", Tag::Waypoint},
        {"/WAYPOINT", Tag::WaypointEnd},
        {"ROUTE", Tag::Route},
        {"/ROUTE", Tag::RouteEnd},
        {"TRACK", Tag::Track},
        {"/TRACK", Tag::TrackEnd},
        {"POINT", Tag::Point},
        {"/POINT", Tag::PointEnd},
        {"NAME", Tag::Name},
        {"DESCRIPTION", Tag::Description},
        {"COLOR", Tag::Color},
        {"LATITUDE", Tag::Latitude},
        {"LONGITUDE", Tag::Longitude},
        {"ALTITUDE", Tag::Altitude},
        {"SPEED", Tag::Speed},
        {"TYPE", Tag::Type},
        {"ICON", Tag::Icon},
        {"ICONCOLOR", Tag::IconColor},
        {"DATE_TIME", Tag::DateTime},
        {"BEARING", Tag::Bearing},
        {"DISTANCE", Tag::Distance},
        {"INCREMENTAL_DISTANCE", Tag::IncrementalDistance},
        {"FORECOLOR", Tag::ForeColor},
        {"BACKCOLOR", Tag::BackColor},
        {"PATTERN", Tag::Pattern},
        {"TRIP_DIST", Tag::TripDist},
        {"SOG", Tag::Sog},
        {"COG", Tag::Cog},
        {"WATER_TEMP", Tag::WaterTemp},
    };
    // The known tags in a small hash table built once: a line's tag is found with one
    // comparison, mostly.
    static constexpr std::size_t kSlots = 128;
    const auto hash = [](std::string_view text) {
        const auto at = [&](std::size_t i) {
            return std::size_t{static_cast<unsigned char>(text[i])};
        };
        return (text.size() * 37 + at(0) * 11 + at(1) * 5 + at(text.size() - 1)) % kSlots;
    };
    struct Table {
        std::uint8_t slots[kSlots]{}; // entry + 1, 0 for none
    };
    static const Table table = [&] {
        Table t;
        for (std::size_t i = 0; i < std::size(kTags); ++i) {
            std::size_t slot = hash(kTags[i].text);
            while (t.slots[slot] != 0) {
                slot = (slot + 1) % kSlots;
            }
            t.slots[slot] = static_cast<std::uint8_t>(i + 1);
        }
        return t;
    }();
    if (tag.size() < 2) {
        return Tag::Other;
    }
    for (std::size_t slot = hash(tag); table.slots[slot] != 0; slot = (slot + 1) % kSlots) {
        const std::string_view known = kTags[table.slots[slot] - 1].text;
        if (known.size() != tag.size()) {
            continue;
        }
        std::size_t k = 0;
        while (k < known.size() && known[k] == tag[k]) {
            ++k; // short enough that a call to compare them would cost more
        }
        if (k == known.size()) {
            return kTags[table.slots[slot] - 1].tag;
        }
    }
    return Tag::Other;
}

enum class State { Start, Document, WaypointList, Waypoint, Route, RouteWaypoint, Track, Point };

class DocumentReader {
  public:
    DocumentReader(CmapRecordSink& sink, ConversionReport* report)
        : sink_(sink), report_(report), trackPointDetails_(sink.readsTrackPointDetails()) {
        // Every new record of one document is stamped with the same reading of the clock.
        newWaypoint_.dateTime = newRouteWaypoint_.dateTime = newPoint_.dateTime =
            currentCmapDateTime();
    }

    void read(std::FILE* file) {
        LineReader reader(file);
        std::string_view line;
        while (reader.next(&line)) {
            std::string_view tagText;
            std::string_view value;
            bool entities = false;
            if (!splitLine(line, &tagText, &value, &entities)) {
                continue;
            }
            if (entities) {
                decodeXmlText(value, decoded_);
                value = decoded_;
            }
            if (value.size() > kCmapMaxTagText) {
                continue; // a value too long to be one of ours
            }
            const Tag tag = tagOf(tagText);
            if (!value.empty()) {
                field(tag, value);
            } else if (!container(tag)) {
                break; // the end of the document
            }
        }
        // Unclosed records are not appended.
        clearCmapRouteWaypoints(&route_);
        clearCmapTrackPoints(&track_);
    }

  private:
    // A tag with an empty value; false at /C_MAP.
    bool container(Tag tag) {
        switch (state_) {
        case State::Start:
            if (tag == Tag::CMap) {
                state_ = State::Document;
            }
            break;
        case State::Document:
            if (tag == Tag::Waypoints) {
                state_ = State::WaypointList;
            } else if (tag == Tag::Route) {
                openRoute();
            } else if (tag == Tag::Track) {
                openTrack();
            } else if (tag == Tag::CMapEnd) {
                return false;
            }
            break;
        case State::WaypointList:
            if (tag == Tag::WaypointsEnd) {
                state_ = State::Document;
            } else if (tag == Tag::Waypoint) {
                waypoint_ = newWaypoint_;
                state_ = State::Waypoint;
            }
            break;
        case State::Waypoint:
            if (tag == Tag::WaypointEnd) {
                const ResultCode added = unlessOutOfMemory(sink_.addWaypoint(waypoint_));
                noteClosed(RecordKind::Waypoint, waypoints_++, waypoint_.name, added, 0, 0);
                state_ = State::WaypointList;
            }
            break;
        case State::Route:
            if (tag == Tag::RouteEnd) {
                closeRoute();
            } else if (tag == Tag::Waypoint) {
                routeWaypoint_ = newRouteWaypoint_;
                state_ = State::RouteWaypoint;
            }
            break;
        case State::RouteWaypoint:
            if (tag == Tag::WaypointEnd) {
                const ResultCode added =
                    unlessOutOfMemory(sink_.addRouteWaypoint(route_, routeWaypoint_));
                pointsKept_ += added == kOk ? 1 : 0;
                ++pointsSeen_;
                state_ = State::Route;
            }
            break;
        case State::Track:
            if (tag == Tag::TrackEnd) {
                closeTrack();
            } else if (tag == Tag::Point) {
                point_ = newPoint_;
                state_ = State::Point;
            }
            break;
        case State::Point:
            if (tag == Tag::PointEnd) {
                const ResultCode added = unlessOutOfMemory(sink_.addTrackPoint(track_, point_));
                pointsKept_ += added == kOk ? 1 : 0;
                ++pointsSeen_;
                state_ = State::Track;
            }
            break;
        }
        return true;
    }

    void openRoute() {
        clearCmapRouteWaypoints(&route_);
        initCmapRoute(&route_);
        sink_.startRoute(route_);
        pointsSeen_ = pointsKept_ = 0;
        state_ = State::Route;
    }
    void openTrack() {
        clearCmapTrackPoints(&track_);
        initCmapTrack(&track_);
        sink_.startTrack(track_);
        pointsSeen_ = pointsKept_ = 0;
        state_ = State::Track;
    }
    void closeRoute() {
        if (report_ != nullptr) {
            name_ = route_.name; // the route is handed over
        }
        const ResultCode added = unlessOutOfMemory(sink_.addRoute(std::move(route_)));
        noteClosed(RecordKind::Route, routes_++, name_, added, pointsSeen_, pointsKept_);
        clearCmapRouteWaypoints(&route_);
        state_ = State::Document;
    }
    void closeTrack() {
        const ResultCode added = unlessOutOfMemory(sink_.addTrack(std::move(track_)));
        noteClosed(RecordKind::Track, tracks_++, kNoName, added, pointsSeen_, pointsKept_);
        clearCmapTrackPoints(&track_);
        state_ = State::Document;
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

    // A tag with a non-empty value: fields never end the document.
    void field(Tag tag, std::string_view value) {
        switch (state_) {
        case State::Waypoint:
            waypointField(tag, value, waypoint_);
            break;
        case State::RouteWaypoint:
            if (!waypointField(tag, value, routeWaypoint_)) {
                if (tag == Tag::Bearing) {
                    routeWaypoint_.bearing = parseNumber(value);
                } else if (tag == Tag::Distance) {
                    routeWaypoint_.distance = parseNumber(value);
                } else if (tag == Tag::IncrementalDistance) {
                    routeWaypoint_.incrementalDistance = parseNumber(value);
                }
            }
            break;
        case State::Route:
            if (tag == Tag::Name) {
                copyText(route_.name, value, kCmapNameWidth);
            } else if (tag == Tag::Description) {
                copyText(route_.description, value, kCmapDescriptionWidth);
            } else if (tag == Tag::Color) {
                route_.colour = 0; // whatever the text: the documents know only black
            }
            break;
        case State::Point:
            pointField(tag, value);
            break;
        default:
            break;
        }
    }

    // The fields every waypoint has; false when the tag is not one of them.
    static bool waypointField(Tag tag, std::string_view value, CmapWaypoint& w) {
        switch (tag) {
        case Tag::Name:
            copyText(w.name, value, kCmapNameWidth);
            break;
        case Tag::Description:
            copyText(w.description, value, kCmapDescriptionWidth);
            break;
        case Tag::Latitude:
            parseLatitude(value, Spaced, &w.latitude);
            break;
        case Tag::Longitude:
            parseLongitude(value, Spaced, &w.longitude);
            break;
        case Tag::Altitude:
            w.altitude = parseNumber(value);
            break;
        case Tag::Speed:
            w.speed = parseNumber(value);
            break;
        case Tag::Type:
            w.type = parseDecimal(value);
            break;
        case Tag::Icon:
            w.icon = parseDecimal(value);
            break;
        case Tag::IconColor:
            w.iconColor = parseDecimal(value);
            break;
        case Tag::DateTime:
            decodeDateTime(parseDecimal(value), &w.dateTime);
            break;
        default:
            return false;
        }
        return true;
    }

    void pointField(Tag tag, std::string_view value) {
        CmapTrackPoint& p = point_;
        if (tag == Tag::Latitude) {
            parseLatitude(value, Spaced, &p.latitude);
            return;
        }
        if (tag == Tag::Longitude) {
            parseLongitude(value, Spaced, &p.longitude);
            return;
        }
        if (!trackPointDetails_) {
            return; // the sink keeps only the positions
        }
        switch (tag) {
        case Tag::ForeColor:
            p.foreColor = parseDecimal(value);
            break;
        case Tag::BackColor:
            p.backColor = parseDecimal(value);
            break;
        case Tag::Pattern:
            p.pattern = parseDecimal(value);
            break;
        case Tag::Altitude:
            p.altitude = parseNumber(value);
            break;
        case Tag::TripDist:
            p.tripDist = parseNumber(value);
            break;
        case Tag::Sog:
            p.sog = parseNumber(value);
            break;
        case Tag::Cog:
            p.cog = parseNumber(value);
            break;
        case Tag::WaterTemp:
            p.waterTemp = parseNumber(value);
            break;
        case Tag::DateTime:
            decodeDateTime(parseDecimal(value), &p.dateTime);
            break;
        default:
            break; // DATE_TIME_TEXT repeats DATE_TIME and is not read
        }
    }

    static inline const std::string kNoName; // CMAP tracks have none

    CmapRecordSink& sink_;
    ConversionReport* report_;
    const bool trackPointDetails_;
    // The records of each kind closed so far, and the points of the open route or track.
    std::size_t waypoints_ = 0;
    std::size_t routes_ = 0;
    std::size_t tracks_ = 0;
    std::size_t pointsSeen_ = 0;
    std::size_t pointsKept_ = 0;
    std::string name_;
    std::string decoded_;
    State state_ = State::Start;
    CmapWaypoint newWaypoint_;
    CmapRouteWaypoint newRouteWaypoint_;
    CmapTrackPoint newPoint_;
    CmapWaypoint waypoint_;
    CmapRouteWaypoint routeWaypoint_;
    CmapRoute route_;
    CmapTrack track_;
    CmapTrackPoint point_;
};

// The reader's records into a CmapDatabase, each kind up to its table's capacity.
class DatabaseSink final : public CmapRecordSink {
  public:
    explicit DatabaseSink(CmapDatabase& database) : db_(database) {}
    ResultCode addWaypoint(const CmapWaypoint& waypoint) override {
        return addCmapWaypoint(&db_, &waypoint);
    }
    ResultCode addRouteWaypoint(CmapRoute& route, const CmapRouteWaypoint& waypoint) override {
        return addCmapRouteWaypoint(&route, &waypoint);
    }
    ResultCode addRoute(CmapRoute&& route) override { return addCmapRoute(&db_, std::move(route)); }
    ResultCode addTrackPoint(CmapTrack& track, const CmapTrackPoint& point) override {
        return addCmapTrackPoint(&track, &point);
    }
    ResultCode addTrack(CmapTrack&& track) override { return addCmapTrack(&db_, std::move(track)); }

  private:
    CmapDatabase& db_;
};

} // namespace

ResultCode writeCmapRecords(CmapLineSink* sink, CmapRecordSource* source, int selector) {
    if (sink == nullptr || source == nullptr) {
        return kBadArgument;
    }
    try {
        DocumentWriter writer(sink, nullptr, *source);
        return writer.write(selector);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeCmapRecords(CmapLineSink* sink, const CmapDatabase* database, int selector) {
    if (database == nullptr) {
        return kBadArgument;
    }
    DatabaseSource source(*database);
    return writeCmapRecords(sink, &source, selector);
}

ResultCode writeCmapRecords(OutputFile* file, CmapRecordSource* source, int selector) {
    if (file == nullptr || source == nullptr) {
        return kBadArgument;
    }
    try {
        DocumentWriter writer(nullptr, file, *source);
        return writer.write(selector);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeCmapRecords(OutputFile* file, const CmapDatabase* database, int selector) {
    if (file == nullptr || database == nullptr) {
        return kBadArgument;
    }
    DatabaseSource source(*database);
    return writeCmapRecords(file, &source, selector);
}

ResultCode readCmapRecords(std::FILE* file, CmapRecordSink* sink, ConversionReport* report) {
    if (file == nullptr || sink == nullptr) {
        return kBadArgument;
    }
    try {
        DocumentReader reader(*sink, report);
        reader.read(file);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode readCmapRecords(std::FILE* file, CmapDatabase* database, ConversionReport* report) {
    if (file == nullptr || database == nullptr) {
        return kBadArgument;
    }
    DatabaseSink sink(*database);
    return readCmapRecords(file, &sink, report);
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

ResultCode writeCmapFileSet(CmapRecordSource* source, const char* basePath) {
    if (basePath == nullptr || source == nullptr) {
        return kBadArgument;
    }
    const auto part = [source](const char* suffix, bool hasRecords, int selector) {
        return FileSetPart{suffix, hasRecords, [source, selector](OutputFile& file) {
                               return writeCmapRecords(&file, source, selector);
                           }};
    };
    try {
        const std::vector<FileSetPart> parts = {
            part(kCmapWaypointSuffix, source->waypointCount() != 0, CmapWaypointsOnly),
            part(kCmapRouteSuffix, source->routeCount() != 0, CmapRoutesOnly),
            part(kCmapTrackSuffix, source->trackCount() != 0, CmapTracksOnly),
        };
        return writeFileSet(basePath, parts);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeCmapFileSet(const CmapDatabase* database, const char* basePath) {
    if (basePath == nullptr || database == nullptr) {
        return kBadArgument;
    }
    DatabaseSource source(*database);
    return writeCmapFileSet(&source, basePath);
}

} // namespace velmar
