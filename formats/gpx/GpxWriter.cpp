// Writing a navigation database as a GPX 1.1 document, one element per line, CR LF line ends.
#include <cmath>
#include <new>
#include <string>

#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/gpx/GpxDates.h"
#include "formats/gpx/GpxFile.h"
#include "formats/gpx/GpxSymbols.h"
#include "formats/gpx/GpxText.h"

namespace velmar {

namespace {

using gpx::appendEscaped;

// The fields a <wpt> carries, for waypoints and marks alike.
struct PointRecord {
    const std::string& name;
    const std::string* comment; // null for marks
    std::uint32_t symbol;
    const RgbColour& colour;
    double latitude;
    double longitude;
    const RecordDate& date;
    double altitude;
};

class GpxWriter {
  public:
    // Lines are built straight in the file's buffer.
    explicit GpxWriter(OutputFile& file) : file_(file), line_(file.buffer()) {}

    bool write(const NavDatabase& db) {
        start(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        start(0, "<gpx xmlns=\"");
        line_.append(kGpxNamespace).append("\" xmlns:velmar=\"").append(kVelmarGpxNamespace);
        line_.append("\" version=\"1.1\" creator=\"Velmar Toolkit\">");
        put(1, "<metadata>");
        put(2, "<extensions>");
        extensionText(3, "version", db.version.version);
        extensionText(3, "versionDate", db.version.date);
        put(2, "</extensions>");
        put(1, "</metadata>");
        for (const Waypoint& w : db.waypoints) {
            point({w.name, &w.comment, w.symbol, w.colour, w.latitude, w.longitude, w.date,
                   w.altitude});
        }
        for (const Mark& m : db.marks) {
            point(
                {m.name, nullptr, m.symbol, m.colour, m.latitude, m.longitude, m.date, m.altitude});
        }
        for (const Route& route : db.routes) {
            this->route(route);
        }
        for (const Track& track : db.tracks) {
            this->track(track);
        }
        if (!db.lines.empty() || !db.zones.empty()) {
            put(1, "<extensions>");
            for (const Line& line : db.lines) {
                this->line(line);
            }
            for (const Zone& zone : db.zones) {
                this->zone(zone);
            }
            put(1, "</extensions>");
        }
        put(0, "</gpx>");
        return ok_;
    }

  private:
    // Begins a line at an indentation of two spaces per level.
    void start(int level, std::string_view text) {
        flushLine();
        line_.append(static_cast<std::size_t>(level) * 2, ' ');
        line_.append(text);
        pending_ = true;
    }
    void flushLine() {
        if (pending_) {
            const bool written = file_.endLine();
            ok_ = ok_ && written;
        }
        pending_ = false;
    }
    void put(int level, std::string_view text) {
        start(level, text);
        flushLine();
    }

    void text(int level, const char* tag, std::string_view bytes) {
        if (bytes.empty()) {
            return;
        }
        start(level, "<");
        line_.append(tag).push_back('>');
        appendEscaped(line_, bytes);
        line_.append("</").append(tag).push_back('>');
        flushLine();
    }
    void extensionText(int level, const char* tag, std::string_view bytes) {
        start(level, "<velmar:");
        line_.append(tag).push_back('>');
        appendEscaped(line_, bytes);
        line_.append("</velmar:").append(tag).push_back('>');
        flushLine();
    }
    void extensionNumber(int level, const char* tag, long long value) {
        std::string digits;
        appendInt(digits, value);
        extensionText(level, tag, digits);
    }
    void extensionColour(int level, const char* tag, const RgbColour& colour) {
        std::string digits;
        appendHexColour(digits, colour);
        extensionText(level, tag, digits);
    }
    void extensionDate(int level, const RecordDate& date) {
        std::string digits;
        gpx::appendDateText(digits, date);
        extensionText(level, "date", digits);
    }

    // The number, colour and date of a route or track, which GPX has no element for.
    template <typename R> void headerExtensions(const R& record) {
        put(2, "<extensions>");
        extensionNumber(3, "number", record.number);
        extensionColour(3, "colour", record.colour);
        extensionDate(3, record.date);
        put(2, "</extensions>");
    }

    static bool positionFits(double latitude, double longitude) {
        return latitudeInRange(latitude) && longitudeInRange(longitude);
    }
    // ` lat="..." lon="..."`: a position GPX cannot hold is written as 0, 0 and carried whole in
    // extensions (positionExtensions).
    void position(double latitude, double longitude) {
        const bool fits = positionFits(latitude, longitude);
        line_.append(" lat=\"");
        gpx::appendDecimal(line_, fits ? latitude : 0.0, 6);
        line_.append("\" lon=\"");
        gpx::appendDecimal(line_, fits ? longitude : 0.0, 6);
        line_.push_back('"');
    }
    void positionExtensions(int level, double latitude, double longitude) {
        if (positionFits(latitude, longitude)) {
            return;
        }
        std::string value;
        gpx::appendAnyDouble(value, latitude);
        extensionText(level, "lat", value);
        value.clear();
        gpx::appendAnyDouble(value, longitude);
        extensionText(level, "lon", value);
    }
    void symbol(int level, std::uint32_t symbol) { text(level, "sym", gpx::symbolName(symbol)); }

    void point(const PointRecord& p) {
        start(1, "<wpt");
        position(p.latitude, p.longitude);
        line_.push_back('>');
        flushLine();
        const bool finite = std::isfinite(p.altitude);
        if (finite && (p.altitude != 0.0 || std::signbit(p.altitude))) {
            start(2, "<ele>");
            gpx::appendDecimal(line_, p.altitude, 1);
            line_.append("</ele>");
            flushLine();
        }
        const bool dated = gpx::isCalendarDate(p.date);
        if (dated) {
            start(2, "<time>");
            gpx::appendDateTime(line_, p.date);
            line_.append("</time>");
            flushLine();
        }
        text(2, "name", p.name);
        if (p.comment != nullptr) {
            text(2, "desc", *p.comment);
        }
        symbol(2, p.symbol);
        put(2, "<extensions>");
        if (p.comment == nullptr) {
            extensionText(3, "kind", "mark");
        }
        extensionNumber(3, "symbol", p.symbol);
        extensionColour(3, "colour", p.colour);
        if (!dated) {
            extensionDate(3, p.date);
        }
        if (!finite) {
            std::string value;
            gpx::appendAnyDouble(value, p.altitude);
            extensionText(3, "altitude", value);
        }
        positionExtensions(3, p.latitude, p.longitude);
        put(2, "</extensions>");
        put(1, "</wpt>");
    }

    void route(const Route& route) {
        put(1, "<rte>");
        text(2, "name", route.name);
        text(2, "desc", route.comment);
        headerExtensions(route);
        for (const RoutePoint& p : route.points) {
            start(2, "<rtept");
            position(p.latitude, p.longitude);
            line_.push_back('>');
            flushLine();
            text(3, "name", p.name);
            symbol(3, p.symbol);
            put(3, "<extensions>");
            extensionNumber(4, "symbol", p.symbol);
            positionExtensions(4, p.latitude, p.longitude);
            put(3, "</extensions>");
            put(2, "</rtept>");
        }
        put(1, "</rte>");
    }

    // One <trkseg> per run: a run ends after a point flagged 'S' and at the last point. A
    // reader flags the last point of each run 'S' and the others 'N'; a point whose own flag
    // differs from that carries it in an extension.
    void track(const Track& track) {
        put(1, "<trk>");
        text(2, "name", track.name);
        headerExtensions(track);
        bool open = false;
        const std::size_t count = track.points.size();
        for (std::size_t i = 0; i < count; ++i) {
            const TrackPoint& p = track.points[i];
            if (!open) {
                put(2, "<trkseg>");
                open = true;
            }
            const bool runEnds = p.pointFlag == 'S' || i + 1 == count;
            const std::int32_t implied = runEnds ? 'S' : 'N';
            start(3, "<trkpt");
            position(p.latitude, p.longitude);
            if (p.pointFlag == implied && positionFits(p.latitude, p.longitude)) {
                line_.append("/>");
                flushLine();
            } else {
                line_.push_back('>');
                flushLine();
                put(4, "<extensions>");
                if (p.pointFlag != implied) {
                    extensionNumber(5, "flag", p.pointFlag);
                }
                positionExtensions(5, p.latitude, p.longitude);
                put(4, "</extensions>");
                put(3, "</trkpt>");
            }
            if (runEnds) {
                put(2, "</trkseg>");
                open = false;
            }
        }
        put(1, "</trk>");
    }

    void geoPoints(const std::vector<GeoPoint>& points) {
        for (const GeoPoint& p : points) {
            start(3, "<velmar:pt lat=\"");
            appendCoordinate(p.latitude, latitudeInRange(p.latitude));
            line_.append("\" lon=\"");
            appendCoordinate(p.longitude, longitudeInRange(p.longitude));
            line_.append("\"/>");
            flushLine();
        }
    }
    void appendCoordinate(double value, bool inRange) {
        if (inRange) {
            gpx::appendDecimal(line_, value, 6);
        } else {
            gpx::appendAnyDouble(line_, value);
        }
    }

    void line(const Line& line) {
        put(2, "<velmar:line>");
        extensionNumber(3, "number", line.number);
        extensionText(3, "name", line.name);
        extensionColour(3, "colour", line.colour);
        extensionDate(3, line.date);
        geoPoints(line.points);
        put(2, "</velmar:line>");
    }

    void zone(const Zone& zone) {
        put(2, "<velmar:zone>");
        extensionNumber(3, "number", zone.number);
        extensionColour(3, "colour", zone.colour);
        extensionColour(3, "secondColour", zone.secondColour);
        extensionNumber(3, "kind", zone.zoneKind);
        extensionDate(3, zone.date);
        geoPoints(zone.points);
        put(2, "</velmar:zone>");
    }

    OutputFile& file_;
    std::string& line_;
    bool pending_ = false;
    bool ok_ = true;
};

} // namespace

ResultCode writeGpxFile(NavDatabase* database, const char* path, ConversionReport* report) {
    if (database == nullptr || path == nullptr) {
        return kBadArgument;
    }
    OutputFile file;
    const ResultCode created = file.create(path);
    if (created != kOk) {
        return created; // 2, or 3 when memory ran out
    }
    if (report != nullptr) {
        report->written = countRecords(*database); // GPX holds every record and field
        report->wasWritten = true;
    }
    try {
        GpxWriter writer(file);
        const bool written = writer.write(*database);
        const ResultCode closed = file.close();
        return written ? closed : kWriteFailed;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
