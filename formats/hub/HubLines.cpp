#include "formats/hub/HubLines.h"

#include <algorithm>

#include "core/FieldReader.h"
#include "core/Text.h"

namespace velmar::hub {

namespace {

// A text field: a ',' would split it and shift every later field when read back, and a '*' or
// '$' would end it there, so they are written as ';' and '?'; CR, LF and NUL become a space.
void appendText(std::string& out, std::string_view text) {
    appendFieldText(out, text, kFieldBreaking, kFieldReplacements);
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

// The symbol, colour, number, date and altitude fields: a field that is there replaces the
// target with what `parse` reads from it.
template <typename T, typename Parse>
void readPresent(const FieldReader& fields, int index, T& target, Parse parse) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
        target = parse(field);
    }
}

struct Position {
    double latitude;
    double longitude;
};
struct Altitude {
    double value;
};

// A record number in three digits.
struct Number {
    std::int32_t value;
};

void appendPart(std::string& out, std::string_view text) {
    appendText(out, text);
}
void appendPart(std::string& out, char byte) {
    out.push_back(byte);
}
void appendPart(std::string& out, const Number& number) {
    appendInt(out, number.value, 3);
}
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
        appendFields(out, place.comment);
    }
    appendFields(out, place.symbol, place.colour, Position{place.latitude, place.longitude},
                 place.date, Altitude{place.altitude});
    out.append(",,,*");
}

// A route header, "$ROT,<number>,<name>,<comment>,<colour>,<date>*", and a track or line header,
// the same with their own tag and without the comment.
template <typename Record>
void appendHeaderLine(std::string& out, std::string_view tag, const Record& record) {
    out.append(tag);
    appendFields(out, Number{record.number}, record.name);
    if constexpr (requires { record.comment; }) {
        appendFields(out, record.comment);
    }
    appendFields(out, record.colour, record.date);
    out.push_back('*');
}

// The name at `index` and, in the records that have one, the comment after it; returns the index
// of the field that follows them.
template <typename Record>
int readNameFields(const FieldReader& fields, int index, Record& record, std::size_t nameWidth) {
    readText(fields, index++, record.name, nameWidth);
    if constexpr (requires { record.comment; }) {
        readText(fields, index++, record.comment, kCommentWidth);
    }
    return index;
}

// The fields of the lines that appendPlaceLine writes.
template <typename Place>
void readPlaceFields(std::string_view line, Place& place, std::size_t nameWidth) {
    const FieldReader f(line);
    const int next = readNameFields(f, 0, place, nameWidth);
    readPresent(f, next, place.symbol, parseHex);
    readPresent(f, next + 1, place.colour, parseHexColour);
    readLatitude(f, next + 2, place.latitude);
    readLongitude(f, next + 3, place.longitude);
    readPresent(f, next + 4, place.date, parseCompactDate);
    readPresent(f, next + 5, place.altitude, parseNumber);
}

// The fields of the header lines that appendHeaderLine writes.
template <typename Record>
void readHeaderFields(std::string_view line, Record& record, std::size_t nameWidth) {
    const FieldReader f(line);
    readPresent(f, 1, record.number, parseDecimal);
    const int next = readNameFields(f, 2, record, nameWidth);
    readPresent(f, next, record.colour, parseHexColour);
    readPresent(f, next + 1, record.date, parseCompactDate);
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
    out.append("$VERSION");
    appendFields(out, version.version, version.date);
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

void appendRouteHeader(std::string& out, const Route& route) {
    appendHeaderLine(out, "$ROT", route);
}

void appendRoutePointLine(std::string& out, int index, bool last, const RoutePoint& p) {
    out.push_back('$');
    appendPart(out, Number{index});
    appendFields(out, last ? 'S' : 'N', Position{p.latitude, p.longitude}, p.name, p.symbol);
    out.push_back('*');
}

void appendTrackHeader(std::string& out, const Track& track) {
    appendHeaderLine(out, "$TRK", track);
}

void appendTrackPointLine(std::string& out, int index, const TrackPoint& p) {
    appendPointLine(out, index, 5, static_cast<char>(p.pointFlag), p.latitude, p.longitude);
}

void appendLineHeader(std::string& out, const Line& line) {
    appendHeaderLine(out, "$LIN", line);
}

void appendZoneHeader(std::string& out, const Zone& z) {
    out.append("$ZON");
    appendFields(out, Number{z.number}, z.colour, z.secondColour, static_cast<char>(z.zoneKind),
                 z.date);
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

void readRouteHeaderFields(std::string_view line, Route* route) {
    readHeaderFields(line, *route, kRouteNameWidth);
}

char readRoutePointFields(std::string_view line, RoutePoint* p) {
    PointStart start;
    const std::size_t end = readWrittenPointStart(line, start);
    if (end == 0) {
        const FieldReader f(line);
        readText(f, 4, p->name, kRoutePointNameWidth);
        readPresent(f, 5, p->symbol, parseHex);
        return readPointStart(f, *p);
    }
    p->latitude = start.latitude;
    p->longitude = start.longitude;
    // The fields after the longitude's comma, as fields 4 and 5 of the whole line.
    const FieldReader rest(line.substr(std::min(end + 1, line.size())));
    readText(rest, 0, p->name, kRoutePointNameWidth);
    readPresent(rest, 1, p->symbol, parseHex);
    return start.flag;
}

void readTrackHeaderFields(std::string_view line, Track* track) {
    readHeaderFields(line, *track, kTrackNameWidth);
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

void readLineHeaderFields(std::string_view line, Line* record) {
    readHeaderFields(line, *record, kLineNameWidth);
}

void readZoneHeaderFields(std::string_view line, Zone* z) {
    const FieldReader f(line);
    readPresent(f, 1, z->number, parseDecimal);
    readPresent(f, 2, z->colour, parseHexColour);
    readPresent(f, 3, z->secondColour, parseHexColour);
    readPresent(f, 4, z->zoneKind,
                [](std::string_view kind) { return static_cast<std::int8_t>(kind.front()); });
    readPresent(f, 5, z->date, parseCompactDate);
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
