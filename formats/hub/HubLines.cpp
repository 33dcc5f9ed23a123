#include "formats/hub/HubLines.h"

#include <algorithm>

#include "core/FieldReader.h"
#include "core/Text.h"

namespace velmar::hub {

namespace {

// A text field: a ',' would split it and shift every later field when read back, so it is
// written as ';'; CR, LF and NUL become a space.
void appendText(std::string& out, std::string_view text) {
    appendFieldText(out, text, ",", ";");
}

char* putPosition(char* out, double latitude, double longitude) {
    out = putLatitude(out, latitude, DegreeLetter);
    *out++ = ',';
    return putLongitude(out, longitude, DegreeLetter);
}

void appendPosition(std::string& out, double latitude, double longitude) {
    char text[2 * kMaxCoordinateText + 1];
    out.append(text, static_cast<std::size_t>(putPosition(text, latitude, longitude) - text));
}

// A point line "$<index>,<flag>,<latitude>,<longitude>*", built whole before it is appended.
void appendPointLine(std::string& out, int index, int width, char flag, double latitude,
                     double longitude) {
    char line[kMaxIntText + 2 * kMaxCoordinateText + 8];
    char* p = line;
    *p++ = '$';
    p = putInt(p, index, width);
    *p++ = ',';
    *p++ = flag;
    *p++ = ',';
    p = putPosition(p, latitude, longitude);
    *p++ = '*';
    out.append(line, static_cast<std::size_t>(p - line));
}

void appendHeaderTail(std::string& out, const RgbColour& colour, const RecordDate& date) {
    appendHexColour(out, colour);
    out.push_back(',');
    appendCompactDate(out, date);
    out.push_back('*');
}

void readText(const FieldReader& fields, int index, std::string& target, std::size_t width) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        copyText(target, field, width);
    }
}

void readLatitude(const FieldReader& fields, int index, double& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty() && readWrittenLatitude(field, &target) == 0) {
        parseLatitude(field, DegreeLetter, &target);
    }
}

void readLongitude(const FieldReader& fields, int index, double& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty() && readWrittenLongitude(field, &target) == 0) {
        parseLongitude(field, DegreeLetter, &target);
    }
}

template <typename T> void readSymbol(const FieldReader& fields, int index, T& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parseHex(field);
    }
}

void readColour(const FieldReader& fields, int index, RgbColour& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parseHexColour(field);
    }
}

void readDate(const FieldReader& fields, int index, RecordDate& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parseCompactDate(field);
    }
}

void readNumber(const FieldReader& fields, int index, std::int32_t& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parseDecimal(field);
    }
}

void readAltitude(const FieldReader& fields, int index, double& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parseNumber(field);
    }
}

struct Position {
    double latitude;
    double longitude;
};
struct Altitude {
    double value;
};

void appendPart(std::string& out, std::uint32_t symbol) {
    appendHex(out, symbol);
}
void appendPart(std::string& out, const RgbColour& colour) {
    appendHexColour(out, colour);
}
void appendPart(std::string& out, const Position& position) {
    appendPosition(out, position.latitude, position.longitude);
}
void appendPart(std::string& out, const RecordDate& date) {
    appendCompactDate(out, date);
}
void appendPart(std::string& out, const Altitude& altitude) {
    appendFixed(out, altitude.value, 1);
}

// Each part after a ','.
template <typename... Parts> void appendFields(std::string& out, const Parts&... parts) {
    ((out.push_back(','), appendPart(out, parts)), ...);
}

// A waypoint line, "$<name>,<comment>,<symbol>,<colour>,<position>,<date>,<altitude>,,,*", and a
// mark line, the same without the comment.
template <typename Place> void appendPlaceLine(std::string& out, const Place& place) {
    out.push_back('$');
    appendText(out, place.name);
    if constexpr (requires { place.comment; }) {
        out.push_back(',');
        appendText(out, place.comment);
    }
    appendFields(out, place.symbol, place.colour, Position{place.latitude, place.longitude},
                 place.date, Altitude{place.altitude});
    out.append(",,,*");
}

template <typename Place>
void readPlaceFields(std::string_view line, Place& place, std::size_t nameWidth) {
    const FieldReader f(line);
    readText(f, 0, place.name, nameWidth);
    int next = 1;
    if constexpr (requires { place.comment; }) {
        readText(f, next++, place.comment, kCommentWidth);
    }
    readSymbol(f, next, place.symbol);
    readColour(f, next + 1, place.colour);
    readLatitude(f, next + 2, place.latitude);
    readLongitude(f, next + 3, place.longitude);
    readDate(f, next + 4, place.date);
    readAltitude(f, next + 5, place.altitude);
}

// The start of a point line as the writers make it, "00001,N,34D12.345N,135D06.500W": the index
// digits, a one-byte flag and the two positions, read in one pass straight from the digits.
// Returns where the longitude ends (at a ',' or the end of the text), or 0 for a line of another
// shape, which the field reader reads to the same results.
struct PointStart {
    char flag = '\0';
    double latitude = 0.0;
    double longitude = 0.0;
};

std::size_t readWrittenPointStart(std::string_view line, PointStart& start) {
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n && static_cast<unsigned char>(line[i] - '0') < 10) {
        ++i;
    }
    if (i + 3 > n || line[i] != ',' || line[i + 2] != ',') {
        return 0;
    }
    const char flag = line[i + 1];
    if (flag == ',' || flag == '*' || flag == '$' || flag == '\0') {
        return 0; // an empty flag field, or a NUL that ends the line
    }
    i += 3;
    std::size_t used = readWrittenLatitude(line.substr(i), &start.latitude);
    if (used == 0 || i + used >= n || line[i + used] != ',') {
        return 0;
    }
    i += used + 1;
    used = readWrittenLongitude(line.substr(i), &start.longitude);
    if (used == 0 || (i + used < n && line[i + used] != ',')) {
        return 0;
    }
    start.flag = flag;
    return i + used;
}

char pointFlag(const FieldReader& fields) {
    const std::string_view flag = fields.field(1);
    return flag.empty() ? '\0' : flag.front();
}

// The flag and position fields of a point line; the flag's first byte, or 0 when it is empty.
template <typename Point> char readPointStart(const FieldReader& fields, Point& point) {
    readLatitude(fields, 2, point.latitude);
    readLongitude(fields, 3, point.longitude);
    return pointFlag(fields);
}

template <typename Record, typename Header, typename Point>
bool writeBlock(OutputFile& file, const Record& record, Header header, Point point) {
    header(file.buffer(), record);
    if (!file.endLine()) {
        return false;
    }
    const int count = static_cast<int>(record.points.size());
    for (int i = 0; i < count; ++i) {
        point(file.buffer(), i + 1, i == count - 1, record.points[static_cast<std::size_t>(i)]);
        if (!file.endLine()) {
            return false;
        }
    }
    return file.writeLine("$END*");
}

} // namespace

void appendVersionLine(std::string& out, const DataVersion& version) {
    out.append("$VERSION,");
    appendText(out, version.version);
    out.push_back(',');
    appendText(out, version.date);
    out.push_back('*');
}

bool writeRouteBlock(OutputFile& file, const Route& route) {
    return writeBlock(file, route, appendRouteHeader, appendRoutePointLine);
}

bool writeTrackBlock(OutputFile& file, const Track& track) {
    return writeBlock(file, track, appendTrackHeader,
                      [](std::string& out, int index, bool, const TrackPoint& point) {
                          appendTrackPointLine(out, index, point);
                      });
}

bool writeLineBlock(OutputFile& file, const Line& line) {
    return writeBlock(file, line, appendLineHeader, appendGeoPointLine);
}

bool writeZoneBlock(OutputFile& file, const Zone& zone) {
    return writeBlock(file, zone, appendZoneHeader, appendGeoPointLine);
}

void appendWaypointLine(std::string& out, const Waypoint& waypoint) {
    appendPlaceLine(out, waypoint);
}

void appendMarkLine(std::string& out, const Mark& mark) {
    appendPlaceLine(out, mark);
}

void appendRouteHeader(std::string& out, const Route& r) {
    out.append("$ROT,");
    appendInt(out, r.number, 3);
    out.push_back(',');
    appendText(out, r.name);
    out.push_back(',');
    appendText(out, r.comment);
    out.push_back(',');
    appendHeaderTail(out, r.colour, r.date);
}

void appendRoutePointLine(std::string& out, int index, bool last, const RoutePoint& p) {
    out.push_back('$');
    appendInt(out, index, 3);
    out.append(last ? ",S," : ",N,");
    appendPosition(out, p.latitude, p.longitude);
    out.push_back(',');
    appendText(out, p.name);
    out.push_back(',');
    appendHex(out, p.symbol);
    out.push_back('*');
}

void appendTrackHeader(std::string& out, const Track& t) {
    out.append("$TRK,");
    appendInt(out, t.number, 3);
    out.push_back(',');
    appendText(out, t.name);
    out.push_back(',');
    appendHeaderTail(out, t.colour, t.date);
}

void appendTrackPointLine(std::string& out, int index, const TrackPoint& p) {
    appendPointLine(out, index, 5, static_cast<char>(p.pointFlag), p.latitude, p.longitude);
}

void appendLineHeader(std::string& out, const Line& l) {
    out.append("$LIN,");
    appendInt(out, l.number, 3);
    out.push_back(',');
    appendText(out, l.name);
    out.push_back(',');
    appendHeaderTail(out, l.colour, l.date);
}

void appendZoneHeader(std::string& out, const Zone& z) {
    out.append("$ZON,");
    appendInt(out, z.number, 3);
    out.push_back(',');
    appendHexColour(out, z.colour);
    out.push_back(',');
    appendHexColour(out, z.secondColour);
    out.push_back(',');
    out.push_back(static_cast<char>(z.zoneKind));
    out.push_back(',');
    appendCompactDate(out, z.date);
    out.push_back('*');
}

void appendGeoPointLine(std::string& out, int index, bool last, const GeoPoint& p) {
    appendPointLine(out, index, 3, last ? 'S' : 'N', p.latitude, p.longitude);
}

void readWaypointFields(std::string_view line, Waypoint* waypoint) {
    readPlaceFields(line, *waypoint, kWaypointNameWidth);
}

void readMarkFields(std::string_view line, Mark* mark) {
    readPlaceFields(line, *mark, kMarkNameWidth);
}

void readRouteHeaderFields(std::string_view line, Route* r) {
    const FieldReader f(line);
    readNumber(f, 1, r->number);
    readText(f, 2, r->name, kRouteNameWidth);
    readText(f, 3, r->comment, kCommentWidth);
    readColour(f, 4, r->colour);
    readDate(f, 5, r->date);
}

char readRoutePointFields(std::string_view line, RoutePoint* p) {
    PointStart start;
    const std::size_t end = readWrittenPointStart(line, start);
    if (end == 0) {
        const FieldReader f(line);
        readText(f, 4, p->name, kRoutePointNameWidth);
        readSymbol(f, 5, p->symbol);
        return readPointStart(f, *p);
    }
    p->latitude = start.latitude;
    p->longitude = start.longitude;
    // The fields after the longitude's comma, as fields 4 and 5 of the whole line.
    const FieldReader rest(line.substr(std::min(end + 1, line.size())));
    readText(rest, 0, p->name, kRoutePointNameWidth);
    readSymbol(rest, 1, p->symbol);
    return start.flag;
}

void readTrackHeaderFields(std::string_view line, Track* t) {
    const FieldReader f(line);
    readNumber(f, 1, t->number);
    readText(f, 2, t->name, kTrackNameWidth);
    readColour(f, 3, t->colour);
    readDate(f, 4, t->date);
}

void readTrackPointFields(std::string_view line, TrackPoint* p) {
    PointStart start;
    char flag = '\0';
    if (readWrittenPointStart(line, start) != 0) {
        flag = start.flag;
        p->latitude = start.latitude;
        p->longitude = start.longitude;
    } else {
        flag = readPointStart(FieldReader(line), *p);
    }
    if (flag != '\0') {
        p->pointFlag = static_cast<unsigned char>(flag);
    }
}

void readLineHeaderFields(std::string_view line, Line* l) {
    const FieldReader f(line);
    readNumber(f, 1, l->number);
    readText(f, 2, l->name, kLineNameWidth);
    readColour(f, 3, l->colour);
    readDate(f, 4, l->date);
}

void readZoneHeaderFields(std::string_view line, Zone* z) {
    const FieldReader f(line);
    readNumber(f, 1, z->number);
    readColour(f, 2, z->colour);
    readColour(f, 3, z->secondColour);
    const std::string_view kind = f.field(4);
    if (!kind.empty()) {
        z->zoneKind = static_cast<std::int8_t>(kind.front());
    }
    readDate(f, 5, z->date);
}

char readGeoPointFields(std::string_view line, GeoPoint* p) {
    PointStart start;
    if (readWrittenPointStart(line, start) == 0) {
        return readPointStart(FieldReader(line), *p);
    }
    p->latitude = start.latitude;
    p->longitude = start.longitude;
    return start.flag;
}

void readVersionFields(std::string_view line, DataVersion* version) {
    const FieldReader f(line);
    readText(f, 1, version->version, kVersionWidth);
    readText(f, 2, version->date, kVersionDateWidth);
}

std::string_view cutAtLastStar(std::string_view line) {
    const auto star = line.rfind('*');
    return star == std::string_view::npos ? line : line.substr(0, star);
}

} // namespace velmar::hub
