#include "formats/hub/HubLines.h"

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
    if (!field.empty()) {
        parseLatitude(field, DegreeLetter, &target);
    }
}

void readLongitude(const FieldReader& fields, int index, double& target) {
    const std::string_view field = fields.field(index);
    if (!field.empty()) {
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

void appendWaypointLine(std::string& out, const Waypoint& w) {
    out.push_back('$');
    appendText(out, w.name);
    out.push_back(',');
    appendText(out, w.comment);
    out.push_back(',');
    appendHex(out, w.symbol);
    out.push_back(',');
    appendHexColour(out, w.colour);
    out.push_back(',');
    appendPosition(out, w.latitude, w.longitude);
    out.push_back(',');
    appendCompactDate(out, w.date);
    out.push_back(',');
    appendFixed(out, w.altitude, 1);
    out.append(",,,*");
}

void appendMarkLine(std::string& out, const Mark& m) {
    out.push_back('$');
    appendText(out, m.name);
    out.push_back(',');
    appendHex(out, m.symbol);
    out.push_back(',');
    appendHexColour(out, m.colour);
    out.push_back(',');
    appendPosition(out, m.latitude, m.longitude);
    out.push_back(',');
    appendCompactDate(out, m.date);
    out.push_back(',');
    appendFixed(out, m.altitude, 1);
    out.append(",,,*");
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

void readWaypointFields(std::string_view line, Waypoint* w) {
    const FieldReader f(line);
    readText(f, 0, w->name, kWaypointNameWidth);
    readText(f, 1, w->comment, kCommentWidth);
    readSymbol(f, 2, w->symbol);
    readColour(f, 3, w->colour);
    readLatitude(f, 4, w->latitude);
    readLongitude(f, 5, w->longitude);
    readDate(f, 6, w->date);
    readAltitude(f, 7, w->altitude);
}

void readMarkFields(std::string_view line, Mark* m) {
    const FieldReader f(line);
    readText(f, 0, m->name, kMarkNameWidth);
    readSymbol(f, 1, m->symbol);
    readColour(f, 2, m->colour);
    readLatitude(f, 3, m->latitude);
    readLongitude(f, 4, m->longitude);
    readDate(f, 5, m->date);
    readAltitude(f, 6, m->altitude);
}

void readRouteHeaderFields(std::string_view line, Route* r) {
    const FieldReader f(line);
    readNumber(f, 1, r->number);
    readText(f, 2, r->name, kRouteNameWidth);
    readText(f, 3, r->comment, kCommentWidth);
    readColour(f, 4, r->colour);
    readDate(f, 5, r->date);
}

void readRoutePointFields(std::string_view line, RoutePoint* p) {
    const FieldReader f(line);
    readLatitude(f, 2, p->latitude);
    readLongitude(f, 3, p->longitude);
    readText(f, 4, p->name, kRoutePointNameWidth);
    readSymbol(f, 5, p->symbol);
}

void readTrackHeaderFields(std::string_view line, Track* t) {
    const FieldReader f(line);
    readNumber(f, 1, t->number);
    readText(f, 2, t->name, kTrackNameWidth);
    readColour(f, 3, t->colour);
    readDate(f, 4, t->date);
}

void readTrackPointFields(std::string_view line, TrackPoint* p) {
    const FieldReader f(line);
    const std::string_view flag = f.field(1);
    if (!flag.empty()) {
        p->pointFlag = static_cast<unsigned char>(flag.front());
    }
    readLatitude(f, 2, p->latitude);
    readLongitude(f, 3, p->longitude);
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

void readGeoPointFields(std::string_view line, GeoPoint* p) {
    const FieldReader f(line);
    readLatitude(f, 2, p->latitude);
    readLongitude(f, 3, p->longitude);
}

void readVersionFields(std::string_view line, DataVersion* version) {
    const FieldReader f(line);
    readText(f, 1, version->version, kVersionWidth);
    readText(f, 2, version->date, kVersionDateWidth);
}

char readPointFlag(std::string_view line) {
    const std::string_view flag = FieldReader(line).field(1);
    return flag.empty() ? '\0' : flag.front();
}

std::string_view cutAtLastStar(std::string_view line) {
    const auto star = line.rfind('*');
    return star == std::string_view::npos ? line : line.substr(0, star);
}

} // namespace velmar::hub
