// Reading GPX 1.0 and 1.1 documents into a navigation database: a stream of expat events, no
// document tree, so memory follows the records read and not the size of the file. Elements of
// other namespaces, and GPX elements the database has no place for, are passed over whole.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <expat.h>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/CappedTable.h"
#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/gpx/GpxDates.h"
#include "formats/gpx/GpxFile.h"
#include "formats/gpx/GpxSymbols.h"
#include "formats/gpx/GpxText.h"

namespace velmar {

namespace {

constexpr char kNameSeparator = '|';
constexpr std::size_t kReadChunk = 1 << 16;
// No tag, comment or run of text without an event in between may be longer than this: expat
// keeps an unfinished token in memory, so this bounds what a hostile document can make it hold.
constexpr std::int64_t kMaxToken = 1 << 20;
constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxText = 1024; // of one text element; every field is far shorter

enum class Context {
    Document,
    Gpx,
    Metadata,
    Wpt,
    Rte,
    Rtept,
    Trk,
    Trkseg,
    Trkpt,
    DocumentExtensions,
    Line,
    Zone,
    Leaf, // an element whose children are not read (a text field, a line or zone point)
};

enum class Field {
    None,
    Ele,
    Time,
    Name,
    Cmt,
    Desc,
    Sym,
    Kind,
    Symbol,
    Colour,
    SecondColour,
    Date,
    Altitude,
    Lat,
    Lon,
    Number,
    Flag,
    Version,
    VersionDate,
};

struct FieldName {
    std::string_view name;
    Field field;
};

constexpr FieldName kGpxFields[] = {
    {"ele", Field::Ele}, {"time", Field::Time}, {"name", Field::Name},
    {"cmt", Field::Cmt}, {"desc", Field::Desc}, {"sym", Field::Sym},
};

constexpr FieldName kOwnFields[] = {
    {"kind", Field::Kind},
    {"symbol", Field::Symbol},
    {"colour", Field::Colour},
    {"secondColour", Field::SecondColour},
    {"date", Field::Date},
    {"altitude", Field::Altitude},
    {"lat", Field::Lat},
    {"lon", Field::Lon},
    {"number", Field::Number},
    {"flag", Field::Flag},
    {"name", Field::Name},
    {"version", Field::Version},
    {"versionDate", Field::VersionDate},
};

template <std::size_t N> Field fieldOf(const FieldName (&table)[N], std::string_view local) {
    for (const FieldName& entry : table) {
        if (entry.name == local) {
            return entry.field;
        }
    }
    return Field::None;
}

// Which fields each context takes from GPX elements and from our extension elements.
bool takesGpxField(Context context, Field field) {
    switch (context) {
    case Context::Wpt:
        return true;
    case Context::Rtept:
        return field == Field::Name || field == Field::Sym || field == Field::Time;
    case Context::Trkpt:
        return field == Field::Time;
    case Context::Rte:
        return field == Field::Name || field == Field::Cmt || field == Field::Desc;
    case Context::Trk:
        return field == Field::Name;
    default:
        return false;
    }
}

bool takesOwnField(Context context, Field field) {
    switch (context) {
    case Context::Metadata:
        return field == Field::Version || field == Field::VersionDate;
    case Context::Wpt:
        return field == Field::Kind || field == Field::Symbol || field == Field::Colour ||
               field == Field::Date || field == Field::Altitude || field == Field::Lat ||
               field == Field::Lon;
    case Context::Rtept:
        return field == Field::Symbol || field == Field::Lat || field == Field::Lon;
    case Context::Trkpt:
        return field == Field::Flag || field == Field::Lat || field == Field::Lon;
    case Context::Rte:
    case Context::Trk:
        return field == Field::Number || field == Field::Colour || field == Field::Date;
    case Context::Line:
        return field == Field::Number || field == Field::Name || field == Field::Colour ||
               field == Field::Date;
    case Context::Zone:
        return field == Field::Number || field == Field::Colour || field == Field::SecondColour ||
               field == Field::Kind || field == Field::Date;
    default:
        return false;
    }
}

struct Frame {
    Context context;
    Field field;
};

// A working point of any kind: where it is, and what its elements said.
struct PointState {
    double latitude = 0.0;
    double longitude = 0.0;
    bool symbolGiven = false;
    bool flagGiven = false;
    bool commentFromDesc = false;
    bool mark = false;
};

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

class GpxReader {
  public:
    explicit GpxReader(NavDatabase* database) : db_(database) {
        stack_.reserve(kMaxDepth + 1);
        text_.reserve(kMaxText);
    }

    ResultCode read(std::FILE* file, std::string* reason);

  private:
    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL onEnd(void* data, const XML_Char* name);
    static void XMLCALL onText(void* data, const XML_Char* text, int length);
    static void XMLCALL onOther(void* data, const XML_Char* text, int length);
    static void XMLCALL onEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*,
                                 const XML_Char*);
    static int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info);

    void start(std::string_view name, const XML_Char** attributes);
    void end();
    void startGpx(Context parent, std::string_view local, const XML_Char** attributes);
    void startOwn(Context parent, std::string_view local, const XML_Char** attributes);
    void push(Context context, Field field = Field::None) { stack_.push_back({context, field}); }
    // Where the colour, date and position of the element's record go (null: it has none).
    struct SharedFields {
        RgbColour* colour = nullptr;
        RecordDate* date = nullptr;
        double* latitude = nullptr;
        double* longitude = nullptr;
    };
    void apply(Context context, Field field, std::string_view text);
    // The fields of a point (wpt, rtept, trkpt) and of a record (rte, trk, line, zone) in
    // bytes_, each but the shared ones; false for a context that has no fields.
    bool applyPointField(Context context, Field field, SharedFields& shared);
    bool applyRecordField(Context context, Field field, SharedFields& shared);
    void applySharedField(Field field, const SharedFields& shared);
    void finish(Context context);

    bool readPosition(const XML_Char** attributes, const char* element, bool checkRange,
                      double* latitude, double* longitude);
    void addTrackPoint();
    void endSegment();
    void numberRecords();

    void fail(ResultCode code, std::string_view message) noexcept;
    void noteEvent() { lastEvent_ = XML_GetCurrentByteIndex(parser_.get()); }

    NavDatabase* db_;
    std::unique_ptr<XML_ParserStruct, ParserFree> parser_;
    std::vector<Frame> stack_;
    std::size_t skipDepth_ = 0; // depth inside an element that is passed over
    std::string text_;
    std::string bytes_;
    std::int64_t lastEvent_ = 0;
    ResultCode failure_ = kOk;
    std::string reason_;

    Waypoint waypoint_;
    Route route_;
    RoutePoint routePoint_;
    Track track_;
    TrackPoint trackPoint_;
    Line line_;
    Zone zone_;
    PointState point_;
    bool numberGiven_ = false;
    bool dateGiven_ = false;
    bool commentFromDesc_ = false;
    bool segmentOpen_ = false;
    bool lastFlagGiven_ = false;
    std::size_t segmentPoints_ = 0;
    // Whether each record added had its number in the document (else it is its position).
    std::vector<char> routeNumbered_, trackNumbered_, lineNumbered_, zoneNumbered_;
};

// Stops the parser at once; the reason is only words, so running out of memory while they are
// put together still ends the read with 3.
void GpxReader::fail(ResultCode code, std::string_view message) noexcept {
    if (failure_ != kOk) {
        return;
    }
    failure_ = code;
    XML_StopParser(parser_.get(), XML_FALSE);
    try {
        reason_ = "line " + std::to_string(XML_GetCurrentLineNumber(parser_.get())) + ", column " +
                  std::to_string(XML_GetCurrentColumnNumber(parser_.get()) + 1) + ": " +
                  std::string(message);
    } catch (const std::bad_alloc&) {
        failure_ = kNoMemory;
        reason_.clear();
    }
}

void XMLCALL GpxReader::onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* self = static_cast<GpxReader*>(data);
    self->noteEvent();
    if (self->failure_ != kOk) {
        return; // expat may still report what it had in hand when it was stopped
    }
    try {
        self->start(name, attributes);
    } catch (const std::bad_alloc&) {
        self->fail(kNoMemory, "out of memory");
    }
}

void XMLCALL GpxReader::onEnd(void* data, const XML_Char*) {
    auto* self = static_cast<GpxReader*>(data);
    self->noteEvent();
    if (self->failure_ != kOk) {
        return;
    }
    try {
        self->end();
    } catch (const std::bad_alloc&) {
        self->fail(kNoMemory, "out of memory");
    }
}

void XMLCALL GpxReader::onText(void* data, const XML_Char* text, int length) {
    auto* self = static_cast<GpxReader*>(data);
    self->noteEvent();
    if (self->skipDepth_ == 0 && !self->stack_.empty() &&
        self->stack_.back().field != Field::None && self->text_.size() < kMaxText) {
        const auto room = kMaxText - self->text_.size();
        self->text_.append(text, std::min(room, static_cast<std::size_t>(length)));
    }
}

void XMLCALL GpxReader::onOther(void* data, const XML_Char*, int) {
    static_cast<GpxReader*>(data)->noteEvent();
}

// Entities are the way to make a small document expand into a huge one; GPX has no use for
// them, so a document that declares any is refused before it can use it.
void XMLCALL GpxReader::onEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                                 const XML_Char*, const XML_Char*, const XML_Char*,
                                 const XML_Char*) {
    static_cast<GpxReader*>(data)->fail(kGpxNotWellFormed,
                                        "entity declarations are not accepted in GPX documents");
}

// Besides the encodings expat knows (UTF-8, UTF-16, ISO-8859-1, US-ASCII), documents of
// Windows programs come in their code page.
int XMLCALL GpxReader::onUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
    std::string lower;
    for (const XML_Char* c = name; *c != 0 && lower.size() < 32; ++c) {
        lower.push_back(static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c));
    }
    if (lower != "windows-1252" && lower != "cp1252" && lower != "x-cp1252") {
        return XML_STATUS_ERROR;
    }
    for (int i = 0; i < 256; ++i) {
        info->map[i] = (i < 0x80 || i >= 0xA0)
                           ? i
                           : static_cast<int>(gpx::characterOfByte(static_cast<unsigned char>(i)));
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

bool GpxReader::readPosition(const XML_Char** attributes, const char* element, bool checkRange,
                             double* latitude, double* longitude) {
    const XML_Char* lat = nullptr;
    const XML_Char* lon = nullptr;
    for (const XML_Char** a = attributes; *a != nullptr; a += 2) {
        if (std::strcmp(a[0], "lat") == 0) {
            lat = a[1];
        } else if (std::strcmp(a[0], "lon") == 0) {
            lon = a[1];
        }
    }
    const auto check = [&](const XML_Char* text, const char* what, double limit, double* value) {
        if (text == nullptr) {
            fail(kBadArgument, std::string("<") + element + "> without its " + what + " attribute");
            return false;
        }
        if (!gpx::readDouble(text, value) || (checkRange && !(*value == *value))) {
            fail(kBadArgument, std::string("<") + element + "> " + what + " \"" +
                                   std::string(text).substr(0, 40) + "\" is not a number");
            return false;
        }
        if (checkRange && !(*value >= -limit && *value <= limit)) {
            fail(kBadArgument, std::string("<") + element + "> " + what + " " +
                                   std::string(text).substr(0, 40) + " is out of range (-" +
                                   std::to_string(static_cast<int>(limit)) + ".." +
                                   std::to_string(static_cast<int>(limit)) + ")");
            return false;
        }
        return true;
    };
    return check(lat, "lat", 90.0, latitude) && check(lon, "lon", 180.0, longitude);
}

void GpxReader::start(std::string_view name, const XML_Char** attributes) {
    if (stack_.size() + skipDepth_ >= kMaxDepth) {
        fail(kGpxNotWellFormed, "elements nested more than " + std::to_string(kMaxDepth) + " deep");
        return;
    }
    if (skipDepth_ > 0) {
        ++skipDepth_;
        return;
    }
    const std::size_t separator = name.rfind(kNameSeparator);
    const std::string_view uri =
        separator == std::string_view::npos ? std::string_view() : name.substr(0, separator);
    const std::string_view local =
        separator == std::string_view::npos ? name : name.substr(separator + 1);
    const bool gpxElement = uri.empty() || uri == kGpxNamespace || uri == kGpx10Namespace;
    const Context parent = stack_.empty() ? Context::Document : stack_.back().context;
    if (parent == Context::Document) {
        if (!gpxElement || local != "gpx") {
            fail(kGpxNotGpx, "not a GPX document: its root element is <" +
                                 std::string(local.substr(0, 40)) + ">");
            return;
        }
        push(Context::Gpx);
        return;
    }
    if (gpxElement) {
        startGpx(parent, local, attributes);
    } else if (uri == kVelmarGpxNamespace) {
        startOwn(parent, local, attributes);
    } else {
        skipDepth_ = 1;
    }
}

void GpxReader::startGpx(Context parent, std::string_view local, const XML_Char** attributes) {
    if (local == "extensions" && parent != Context::Leaf) {
        push(parent == Context::Gpx ? Context::DocumentExtensions : parent);
        return;
    }
    const Field field = fieldOf(kGpxFields, local);
    if (field != Field::None && takesGpxField(parent, field)) {
        text_.clear();
        push(Context::Leaf, field);
        return;
    }
    if (parent == Context::Gpx && local == "metadata") {
        push(Context::Metadata);
    } else if (parent == Context::Gpx && local == "wpt") {
        initWaypoint(&waypoint_);
        point_ = PointState{};
        if (readPosition(attributes, "wpt", true, &waypoint_.latitude, &waypoint_.longitude)) {
            push(Context::Wpt);
        }
    } else if (parent == Context::Gpx && local == "rte") {
        clearRoutePoints(&route_);
        initRoute(&route_);
        numberGiven_ = dateGiven_ = commentFromDesc_ = false;
        push(Context::Rte);
    } else if (parent == Context::Rte && local == "rtept") {
        initRoutePoint(&routePoint_);
        point_ = PointState{};
        if (readPosition(attributes, "rtept", true, &routePoint_.latitude,
                         &routePoint_.longitude)) {
            push(Context::Rtept);
        }
    } else if (parent == Context::Gpx && local == "trk") {
        clearTrackPoints(&track_);
        initTrack(&track_);
        reserveTrackPoints(&track_);
        numberGiven_ = dateGiven_ = false;
        push(Context::Trk);
    } else if (parent == Context::Trk && local == "trkseg") {
        segmentOpen_ = true;
        segmentPoints_ = 0;
        push(Context::Trkseg);
    } else if (parent == Context::Trkseg && local == "trkpt") {
        initTrackPoint(&trackPoint_);
        point_ = PointState{};
        if (readPosition(attributes, "trkpt", true, &trackPoint_.latitude,
                         &trackPoint_.longitude)) {
            push(Context::Trkpt);
        }
    } else {
        skipDepth_ = 1;
    }
}

void GpxReader::startOwn(Context parent, std::string_view local, const XML_Char** attributes) {
    const Field field = fieldOf(kOwnFields, local);
    if (field != Field::None && takesOwnField(parent, field)) {
        text_.clear();
        push(Context::Leaf, field);
        return;
    }
    if (parent == Context::DocumentExtensions && local == "line") {
        clearLinePoints(&line_);
        initLine(&line_);
        numberGiven_ = false;
        push(Context::Line);
    } else if (parent == Context::DocumentExtensions && local == "zone") {
        clearZonePoints(&zone_);
        initZone(&zone_);
        numberGiven_ = false;
        push(Context::Zone);
    } else if ((parent == Context::Line || parent == Context::Zone) && local == "pt") {
        GeoPoint point;
        if (!readPosition(attributes, "velmar:pt", false, &point.latitude, &point.longitude)) {
            return;
        }
        if (parent == Context::Line) {
            unlessOutOfMemory(addLinePoint(&line_, &point));
        } else {
            unlessOutOfMemory(addZonePoint(&zone_, &point));
        }
        push(Context::Leaf);
    } else {
        skipDepth_ = 1;
    }
}

void GpxReader::end() {
    if (skipDepth_ > 0) {
        --skipDepth_;
        return;
    }
    if (stack_.empty()) {
        return;
    }
    const Frame frame = stack_.back();
    stack_.pop_back();
    if (frame.field != Field::None) {
        if (!stack_.empty()) {
            apply(stack_.back().context, frame.field, text_);
        }
        text_.clear();
        return;
    }
    // An <extensions> element has its parent's context; only the record's own end finishes it.
    if (!stack_.empty() && stack_.back().context == frame.context) {
        return;
    }
    finish(frame.context);
}

void GpxReader::apply(Context context, Field field, std::string_view text) {
    bytes_.clear();
    gpx::appendBytesOfUtf8(bytes_, text);
    if (context == Context::Metadata) {
        copyText(field == Field::Version ? db_->version.version : db_->version.date, bytes_,
                 field == Field::Version ? kVersionWidth : kVersionDateWidth);
        return;
    }
    SharedFields shared;
    if (applyPointField(context, field, shared) || applyRecordField(context, field, shared)) {
        applySharedField(field, shared);
    }
}

bool GpxReader::applyPointField(Context context, Field field, SharedFields& shared) {
    std::int64_t integer = 0;
    double number = 0.0;
    RecordDate date;
    const bool isInteger = gpx::readInteger(bytes_, &integer);
    switch (context) {
    case Context::Wpt:
        shared = {&waypoint_.colour, &waypoint_.date, &waypoint_.latitude, &waypoint_.longitude};
        if (field == Field::Name) {
            copyText(waypoint_.name, bytes_, kWaypointNameWidth);
        } else if (field == Field::Desc || (field == Field::Cmt && !point_.commentFromDesc)) {
            copyText(waypoint_.comment, bytes_, kCommentWidth);
            point_.commentFromDesc = point_.commentFromDesc || field == Field::Desc;
        } else if (field == Field::Sym && !point_.symbolGiven) {
            waypoint_.symbol = gpx::symbolOfName(bytes_);
        } else if (field == Field::Symbol && isInteger) {
            waypoint_.symbol = static_cast<std::uint32_t>(integer);
            point_.symbolGiven = true;
        } else if ((field == Field::Ele || field == Field::Altitude) &&
                   gpx::readDouble(bytes_, &number)) {
            waypoint_.altitude = number;
        } else if (field == Field::Time && gpx::readDateTime(bytes_, &date)) {
            waypoint_.date = date;
        } else if (field == Field::Kind) {
            point_.mark = bytes_ == "mark";
        }
        return true;
    case Context::Rtept:
        shared = {nullptr, nullptr, &routePoint_.latitude, &routePoint_.longitude};
        if (field == Field::Name) {
            copyText(routePoint_.name, bytes_, kRoutePointNameWidth);
        } else if (field == Field::Sym && !point_.symbolGiven) {
            routePoint_.symbol = gpx::symbolOfName(bytes_);
        } else if (field == Field::Symbol && isInteger) {
            routePoint_.symbol = static_cast<std::uint32_t>(integer);
            point_.symbolGiven = true;
        } else if (field == Field::Time && !dateGiven_ && gpx::readDateTime(bytes_, &date)) {
            route_.date = date;
            dateGiven_ = true;
        }
        return true;
    case Context::Trkpt:
        shared = {nullptr, nullptr, &trackPoint_.latitude, &trackPoint_.longitude};
        if (field == Field::Flag && isInteger) {
            trackPoint_.pointFlag = static_cast<std::int32_t>(integer);
            point_.flagGiven = true;
        } else if (field == Field::Time && !dateGiven_ && gpx::readDateTime(bytes_, &date)) {
            track_.date = date;
            dateGiven_ = true;
        }
        return true;
    default:
        return false;
    }
}

bool GpxReader::applyRecordField(Context context, Field field, SharedFields& shared) {
    std::int64_t integer = 0;
    const bool isInteger = gpx::readInteger(bytes_, &integer);
    switch (context) {
    case Context::Rte:
        shared = {&route_.colour, &route_.date};
        if (field == Field::Name) {
            copyText(route_.name, bytes_, kRouteNameWidth);
        } else if (field == Field::Desc || (field == Field::Cmt && !commentFromDesc_)) {
            copyText(route_.comment, bytes_, kCommentWidth);
            commentFromDesc_ = commentFromDesc_ || field == Field::Desc;
        } else if (field == Field::Number && isInteger) {
            route_.number = static_cast<std::int32_t>(integer);
            numberGiven_ = true;
        }
        return true;
    case Context::Trk:
        shared = {&track_.colour, &track_.date};
        if (field == Field::Name) {
            copyText(track_.name, bytes_, kTrackNameWidth);
        } else if (field == Field::Number && isInteger) {
            track_.number = static_cast<std::int32_t>(integer);
            numberGiven_ = true;
        }
        return true;
    case Context::Line:
        shared = {&line_.colour, &line_.date};
        if (field == Field::Name) {
            copyText(line_.name, bytes_, kLineNameWidth);
        } else if (field == Field::Number && isInteger) {
            line_.number = static_cast<std::int32_t>(integer);
            numberGiven_ = true;
        }
        return true;
    case Context::Zone:
        shared = {&zone_.colour, &zone_.date};
        if (field == Field::SecondColour) {
            zone_.secondColour = parseHexColour(bytes_);
        } else if (field == Field::Kind && isInteger) {
            zone_.zoneKind = static_cast<std::int8_t>(integer);
        } else if (field == Field::Number && isInteger) {
            zone_.number = static_cast<std::int32_t>(integer);
            numberGiven_ = true;
        }
        return true;
    default:
        return false;
    }
}

void GpxReader::applySharedField(Field field, const SharedFields& shared) {
    RecordDate date;
    double number = 0.0;
    if (field == Field::Colour && shared.colour != nullptr) {
        *shared.colour = parseHexColour(bytes_);
    } else if (field == Field::Date && shared.date != nullptr && gpx::readDateText(bytes_, &date)) {
        *shared.date = date;
        dateGiven_ = true;
    } else if ((field == Field::Lat || field == Field::Lon) && shared.latitude != nullptr) {
        // The whole value of a position GPX cannot hold (written as 0, 0).
        if (!gpx::readDouble(bytes_, &number)) {
            fail(kBadArgument, "a position \"" + bytes_.substr(0, 40) + "\" is not a number");
            return;
        }
        *(field == Field::Lat ? shared.latitude : shared.longitude) = number;
    }
}

void GpxReader::finish(Context context) {
    switch (context) {
    case Context::Wpt:
        if (point_.mark) {
            const Mark mark = markOf(waypoint_);
            unlessOutOfMemory(addMark(db_, &mark)); // a full table drops it
        } else {
            unlessOutOfMemory(addWaypoint(db_, &waypoint_));
        }
        break;
    case Context::Rtept:
        unlessOutOfMemory(addRoutePoint(&route_, &routePoint_));
        break;
    case Context::Rte:
        if (unlessOutOfMemory(addRoute(db_, std::move(route_))) == kOk) {
            routeNumbered_.push_back(numberGiven_);
        }
        break;
    case Context::Trkpt:
        addTrackPoint();
        break;
    case Context::Trkseg:
        endSegment();
        break;
    case Context::Trk:
        fitTrackPoints(&track_);
        if (unlessOutOfMemory(addTrack(db_, std::move(track_))) == kOk) {
            trackNumbered_.push_back(numberGiven_);
        }
        break;
    case Context::Line:
        if (unlessOutOfMemory(addLine(db_, std::move(line_))) == kOk) {
            lineNumbered_.push_back(numberGiven_);
        }
        break;
    case Context::Zone:
        if (unlessOutOfMemory(addZone(db_, std::move(zone_))) == kOk) {
            zoneNumbered_.push_back(numberGiven_);
        }
        break;
    default:
        break;
    }
}

// A track longer than one hub track holds goes on in another hub track of the same name, so no
// point of a long recording is lost.
void GpxReader::addTrackPoint() {
    if (track_.points.size() >= kNavCapacities.trackPoints) {
        endSegment();
        Track rest;
        rest.number = track_.number;
        rest.name = track_.name;
        rest.colour = track_.colour;
        rest.date = track_.date;
        if (unlessOutOfMemory(addTrack(db_, std::move(track_))) == kOk) {
            trackNumbered_.push_back(numberGiven_);
        }
        track_ = std::move(rest);
        reserveTrackPoints(&track_);
        segmentOpen_ = true;
    }
    if (!point_.flagGiven) {
        trackPoint_.pointFlag = 'N';
    }
    if (unlessOutOfMemory(velmar::addTrackPoint(&track_, &trackPoint_)) == kOk) {
        ++segmentPoints_;
        lastFlagGiven_ = point_.flagGiven;
    }
}

// The last point of a run is flagged 'S' unless the document gave it a flag of its own.
void GpxReader::endSegment() {
    if (segmentOpen_ && segmentPoints_ > 0 && !track_.points.empty() && !lastFlagGiven_) {
        track_.points.back().pointFlag = 'S';
    }
    segmentPoints_ = 0;
    segmentOpen_ = false;
}

void GpxReader::numberRecords() {
    const auto number = [](auto& table, const std::vector<char>& given) {
        for (std::size_t i = 0; i < table.size() && i < given.size(); ++i) {
            if (!given[i]) {
                table[i].number = static_cast<std::int32_t>(i + 1);
            }
        }
    };
    number(db_->routes, routeNumbered_);
    number(db_->tracks, trackNumbered_);
    number(db_->lines, lineNumbered_);
    number(db_->zones, zoneNumbered_);
}

ResultCode GpxReader::read(std::FILE* file, std::string* reason) {
    parser_.reset(XML_ParserCreateNS(nullptr, kNameSeparator));
    if (!parser_) {
        *reason = "out of memory";
        return kNoMemory;
    }
    XML_Parser parser = parser_.get();
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetDefaultHandlerExpand(parser, onOther);
    XML_SetEntityDeclHandler(parser, onEntity);
    XML_SetUnknownEncodingHandler(parser, onUnknownEncoding, nullptr);
    // No external entity or DTD is ever loaded (there is no handler that could load one), and
    // the amplification guard stays on as a second line of defence.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, 100.0f);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, 1 << 20);

    std::int64_t fed = 0;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kReadChunk);
        if (buffer == nullptr) {
            *reason = "out of memory";
            return kNoMemory;
        }
        const std::size_t count = std::fread(buffer, 1, kReadChunk, file);
        if (count < kReadChunk && std::ferror(file)) {
            *reason = "the file cannot be read";
            return kCannotOpen;
        }
        fed += static_cast<std::int64_t>(count);
        const bool last = count == 0;
        if (XML_ParseBuffer(parser, static_cast<int>(count), last) == XML_STATUS_ERROR) {
            if (failure_ == kOk) {
                const XML_Error error = XML_GetErrorCode(parser);
                fail(error == XML_ERROR_NO_MEMORY ? kNoMemory : kGpxNotWellFormed,
                     XML_ErrorString(error));
            }
            break;
        }
        if (fed - lastEvent_ > kMaxToken) {
            fail(kGpxNotWellFormed,
                 "a tag, comment or text longer than " + std::to_string(kMaxToken >> 20) + " MiB");
            break;
        }
        if (last) {
            break;
        }
    }
    if (failure_ != kOk) {
        *reason = reason_;
        return failure_;
    }
    numberRecords();
    return kOk;
}

} // namespace

ResultCode readGpx(const char* path, NavDatabase* database, std::string* reason) {
    std::string ignored;
    std::string& why = reason != nullptr ? *reason : ignored;
    why.clear();
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        why = std::string(path) + ": cannot be opened";
        return kCannotOpen;
    }
    ResultCode result = kNoMemory;
    try {
        GpxReader reader(database);
        result = reader.read(file.get(), &why);
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    if (result != kOk) {
        clearNavDatabase(database); // nothing half read
        try {
            why = std::string(path) + ": " + (why.empty() ? "out of memory" : why);
        } catch (const std::bad_alloc&) {
            why.clear(); // the result says it
        }
    }
    return result;
}

// The format holds what the navigation database holds: reading notes nothing.
ResultCode readGpxFile(const char* path, NavDatabase* database, ConversionReport*) {
    std::string reason;
    const ResultCode result = readGpx(path, database, &reason);
    if (result != kOk && !reason.empty()) {
        std::fprintf(stderr, "%s\n", reason.c_str());
    }
    return result;
}

} // namespace velmar
