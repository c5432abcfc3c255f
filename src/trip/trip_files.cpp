#include "trip/trip_files.h"

#include "app/locale_numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>

namespace amb {

namespace {

constexpr qsizetype kProgressEvery = 2048;

// Stops a reader at the first fault, with its place.
struct Fault {
    TripFileError error;
};

[[noreturn]] void fail(const QString& place, const QString& what) {
    throw Fault{{place, what}};
}

QString lineAt(qsizetype line) {
    return QStringLiteral("line %1").arg(line);
}

class Collector {
public:
    Collector(qsizetype totalBytes, const std::function<void(double)>& progress)
        : totalBytes_(totalBytes), progress_(progress) {}

    void add(const QString& place, QString text, double latitude, double longitude,
             qsizetype bytePosition) {
        if (!std::isfinite(latitude) || latitude < -90 || latitude > 90)
            fail(place, QStringLiteral("the latitude %1 is not between -90 and 90.")
                            .arg(LocaleNumbers::storedText(latitude)));
        if (!std::isfinite(longitude) || longitude < -180 || longitude > 180)
            fail(place, QStringLiteral("the longitude %1 is not between -180 and 180.")
                            .arg(LocaleNumbers::storedText(longitude)));
        if (entries.size() >= static_cast<size_t>(kMaxTripFileEntries))
            fail(place, QStringLiteral("the file holds more than %1 points, more than a trip "
                                       "list takes from a file.")
                            .arg(kMaxTripFileEntries));
        if (text.trimmed().isEmpty())
            text = coordinatesName(latitude, longitude);
        entries.push_back({std::move(text), latitude, longitude});
        tick(bytePosition);
    }

    // Tells the reader's caller how far it is, every so many points.
    void tick(qsizetype bytePosition) {
        if (progress_ && ++ticks_ % kProgressEvery == 0 && totalBytes_ > 0)
            progress_(double(bytePosition) / double(totalBytes_));
    }

    std::vector<TripFileEntry> entries;

private:
    qsizetype totalBytes_;
    qsizetype ticks_ = 0;
    const std::function<void(double)>& progress_;
};

double coordinateOf(const QString& place, const char* what, QStringView text) {
    const std::optional<double> value = LocaleNumbers::current().fromText(text.trimmed());
    if (!value)
        fail(place, QStringLiteral("the %1 \"%2\" is not a number.")
                        .arg(QLatin1String(what), text.left(40).toString()));
    return *value;
}

// ---- GPX ----

void readGpx(const QByteArray& bytes, Collector& into) {
    QXmlStreamReader xml(bytes);
    struct Point {
        QString place;
        QString name;
        double latitude, longitude;
        qsizetype at;
    };
    // A route is the trip; without one, a track; without either, the waypoints.
    std::vector<Point> byKind[3];
    const QString kinds[3] = {QStringLiteral("rtept"), QStringLiteral("trkpt"),
                              QStringLiteral("wpt")};
    bool rootSeen = false;
    int counts[3] = {0, 0, 0};
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (!rootSeen) {
            rootSeen = true;
            if (xml.name() != QLatin1String("gpx"))
                fail(lineAt(xml.lineNumber()),
                     QStringLiteral("the document is <%1>, not a GPX file's <gpx>.")
                         .arg(xml.name().toString()));
            continue;
        }
        int kind = -1;
        for (int k = 0; k < 3; ++k)
            if (xml.name() == kinds[k])
                kind = k;
        if (kind < 0)
            continue;
        const QString place = QStringLiteral("element %1 %2 (line %3)")
                                  .arg(kinds[kind])
                                  .arg(++counts[kind])
                                  .arg(xml.lineNumber());
        const QXmlStreamAttributes attributes = xml.attributes();
        if (!attributes.hasAttribute(QLatin1String("lat")) ||
            !attributes.hasAttribute(QLatin1String("lon")))
            fail(place, QStringLiteral("the point has no lat and lon attributes."));
        Point point{place, QString(), coordinateOf(place, "latitude", attributes.value(QLatin1String("lat"))),
                    coordinateOf(place, "longitude", attributes.value(QLatin1String("lon"))),
                    static_cast<qsizetype>(xml.characterOffset())};
        // The point's own name, not one of an extension inside it.
        int depth = 1;
        while (depth > 0 && !xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (depth == 1 && xml.name() == QLatin1String("name")) {
                    point.name = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    continue; // readElementText ends on the name's end
                }
                ++depth;
            } else if (xml.isEndElement()) {
                --depth;
            }
        }
        if (byKind[kind].size() >= static_cast<size_t>(kMaxTripFileEntries))
            fail(place, QStringLiteral("the file holds more than %1 points, more than a trip "
                                       "list takes from a file.")
                            .arg(kMaxTripFileEntries));
        byKind[kind].push_back(std::move(point));
        into.tick(static_cast<qsizetype>(xml.characterOffset()) / 2); // half: the points follow
    }
    if (xml.hasError())
        fail(QStringLiteral("line %1, column %2").arg(xml.lineNumber()).arg(xml.columnNumber()),
             QStringLiteral("the XML is damaged: %1.").arg(xml.errorString()));
    for (auto& points : byKind) {
        if (points.empty())
            continue;
        for (Point& p : points)
            into.add(p.place, std::move(p.name), p.latitude, p.longitude,
                     bytes.size() / 2 + p.at / 2);
        return;
    }
    fail(QStringLiteral("element gpx"),
         QStringLiteral("the file holds no route, track or waypoint points."));
}

// ---- GeoJSON ----

void readGeoJson(const QByteArray& bytes, Collector& into) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const qsizetype offset = std::min<qsizetype>(parseError.offset, bytes.size());
        fail(lineAt(bytes.left(offset).count('\n') + 1),
             QStringLiteral("the JSON is damaged: %1.").arg(parseError.errorString()));
    }
    const QJsonObject root = document.object();
    QJsonArray features;
    if (root.value(QLatin1String("type")) == QLatin1String("FeatureCollection"))
        features = root.value(QLatin1String("features")).toArray();
    else if (root.value(QLatin1String("type")) == QLatin1String("Feature"))
        features.append(root);
    else
        fail(QStringLiteral("the document"),
             QStringLiteral("it is no GeoJSON FeatureCollection or Feature."));
    qsizetype number = 0;
    for (const QJsonValue& item : features) {
        ++number;
        const QJsonObject feature = item.toObject();
        const QJsonObject geometry = feature.value(QLatin1String("geometry")).toObject();
        if (geometry.value(QLatin1String("type")) != QLatin1String("Point"))
            continue; // the legs between the stops
        const QString place = QStringLiteral("feature %1").arg(number);
        const QJsonArray position = geometry.value(QLatin1String("coordinates")).toArray();
        if (position.size() < 2 || !position[0].isDouble() || !position[1].isDouble())
            fail(place, QStringLiteral("the point has no longitude and latitude numbers."));
        const QJsonObject properties = feature.value(QLatin1String("properties")).toObject();
        QString text = properties.value(QLatin1String("text")).toString();
        if (text.isEmpty())
            text = properties.value(QLatin1String("name")).toString();
        // Positions are longitude first.
        into.add(place, text, position[1].toDouble(), position[0].toDouble(),
                 bytes.size() * number / std::max<qsizetype>(1, features.size()));
    }
    if (into.entries.empty())
        fail(QStringLiteral("the document"), QStringLiteral("it holds no Point features."));
}

// ---- CSV and the search lines ----

// The fields of one CSV record starting at `at`, which moves past it; quoted fields
// may hold commas, quotes and line breaks.
QStringList csvRecord(const QString& text, qsizetype& at, qsizetype& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    const qsizetype startLine = line;
    while (at < text.size()) {
        const QChar c = text.at(at++);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (at < text.size() && text.at(at) == QLatin1Char('"')) {
                    field += c;
                    ++at;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            ++line;
            break;
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (quoted)
        fail(lineAt(startLine), QStringLiteral("a quoted field is not closed."));
    fields << field;
    return fields;
}

void readCsv(const QString& text, Collector& into) {
    qsizetype at = 0, line = 1;
    const QStringList header = csvRecord(text, at, line);
    const auto column = [&](std::initializer_list<const char*> names) -> qsizetype {
        for (const char* name : names)
            for (qsizetype i = 0; i < header.size(); ++i)
                if (header.at(i).trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return i;
        return -1;
    };
    // The tool's legs: each row's "from" stop, and the last row's "to" stop too.
    const qsizetype from = column({"from"}), to = column({"to"});
    const qsizetype fromLat = column({"from_latitude"}), fromLon = column({"from_longitude"});
    const qsizetype toLat = column({"to_latitude"}), toLon = column({"to_longitude"});
    const bool legs = from >= 0 && to >= 0 && fromLat >= 0 && fromLon >= 0 && toLat >= 0 &&
                      toLon >= 0;
    const qsizetype textColumn = column({"text"}), name = column({"name"});
    const qsizetype region = column({"region"});
    const qsizetype lat = column({"latitude", "lat"}), lon = column({"longitude", "lon", "lng"});
    if (!legs && (lat < 0 || lon < 0))
        fail(lineAt(1), QStringLiteral("the CSV header names no latitude and longitude columns "
                                       "(latitude,longitude or the tool's from_latitude,...)."));
    const auto cell = [](const QStringList& fields, qsizetype i) {
        return i >= 0 && i < fields.size() ? fields.at(i) : QString();
    };
    std::optional<TripFileEntry> lastTo;
    QString lastPlace;
    while (at < text.size()) {
        const qsizetype recordLine = line;
        const QStringList fields = csvRecord(text, at, line);
        if (fields.size() == 1 && fields.first().trimmed().isEmpty())
            continue;
        const QString place = lineAt(recordLine);
        if (legs) {
            if (cell(fields, from) == QLatin1String("Total") && cell(fields, to).isEmpty())
                continue; // the tool's total row
            if (cell(fields, fromLat).isEmpty() || cell(fields, toLat).isEmpty())
                fail(place, QStringLiteral("the row has fewer fields than the header."));
            into.add(place, cell(fields, from), coordinateOf(place, "latitude", cell(fields, fromLat)),
                     coordinateOf(place, "longitude", cell(fields, fromLon)), at);
            lastTo = TripFileEntry{cell(fields, to),
                                   coordinateOf(place, "latitude", cell(fields, toLat)),
                                   coordinateOf(place, "longitude", cell(fields, toLon))};
            lastPlace = place;
            continue;
        }
        if (fields.size() <= std::max(lat, lon))
            fail(place, QStringLiteral("the row has fewer fields than the header."));
        QString entryText = cell(fields, textColumn);
        if (entryText.isEmpty() && name >= 0) {
            entryText = cell(fields, name);
            // The search list's text of a city with a region column, as the tool lists it.
            if (region >= 0 && !entryText.isEmpty())
                entryText += QStringLiteral(" - ") + cell(fields, region);
        }
        into.add(place, entryText, coordinateOf(place, "latitude", cell(fields, lat)),
                 coordinateOf(place, "longitude", cell(fields, lon)), at);
    }
    if (lastTo)
        into.add(lastPlace, lastTo->text, lastTo->latitude, lastTo->longitude, at);
    if (into.entries.empty())
        fail(lineAt(line), QStringLiteral("the CSV file holds no rows."));
}

void readSearchLines(const QString& text, Collector& into) {
    qsizetype line = 0, at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), at);
        if (end < 0)
            end = text.size();
        QStringView row = QStringView(text).mid(at, end - at);
        at = end + 1;
        ++line;
        if (row.endsWith(QLatin1Char('\r')))
            row.chop(1);
        if (row.trimmed().isEmpty())
            continue;
        // The text may hold tabs of its own: the coordinates are the last two fields.
        const qsizetype second = row.lastIndexOf(QLatin1Char('\t'));
        const qsizetype first = second > 0 ? row.lastIndexOf(QLatin1Char('\t'), second - 1) : -1;
        const QString place = lineAt(line);
        if (first < 0)
            fail(place, QStringLiteral("the line is not a city, a tab, its latitude, a tab and "
                                       "its longitude."));
        into.add(place, row.left(first).toString(),
                 coordinateOf(place, "latitude", row.mid(first + 1, second - first - 1)),
                 coordinateOf(place, "longitude", row.mid(second + 1)), at);
    }
    if (into.entries.empty())
        fail(lineAt(1), QStringLiteral("the file holds no cities."));
}

QByteArray number(double value) {
    return LocaleNumbers::storedText(value).toUtf8();
}

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString coordinatesName(double latitude, double longitude) {
    return LocaleNumbers::storedText(latitude) + QStringLiteral(", ") +
           LocaleNumbers::storedText(longitude);
}

TripFileContents readTripFile(const QByteArray& bytes,
                              const std::function<void(double)>& progress) {
    TripFileContents contents;
    Collector collector(bytes.size(), progress);
    try {
        if (bytes.size() > kMaxTripFileBytes)
            fail(QStringLiteral("the whole file"),
                 QStringLiteral("it is larger than %1 MB, more than a trip file may be.")
                     .arg(kMaxTripFileBytes / (1024 * 1024)));
        if (bytes.contains('\0'))
            fail(QStringLiteral("the whole file"),
                 QStringLiteral("it is no text: a trip file is GPX, GeoJSON, CSV or the "
                                "lines of the tool's search."));
        QByteArray body = bytes;
        if (body.startsWith("\xEF\xBB\xBF"))
            body.remove(0, 3);
        const QByteArray start = body.trimmed().left(1);
        if (start == "<") {
            readGpx(body, collector);
        } else if (start == "{" || start == "[") {
            readGeoJson(body, collector);
        } else if (start.isEmpty()) {
            fail(QStringLiteral("the whole file"), QStringLiteral("it is empty."));
        } else {
            const QString text = QString::fromUtf8(body);
            const QString firstLine = text.left(text.indexOf(QLatin1Char('\n')));
            if (firstLine.contains(QLatin1Char('\t')))
                readSearchLines(text, collector);
            else
                readCsv(text, collector);
        }
        contents.entries = std::move(collector.entries);
    } catch (const Fault& fault) {
        contents.error = fault.error;
    }
    return contents;
}

QByteArray writeTripFile(const std::vector<TripFileEntry>& entries, TripFileFormat format) {
    QByteArray out;
    switch (format) {
    case TripFileFormat::Gpx: {
        QXmlStreamWriter xml(&out);
        xml.setAutoFormatting(true);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("gpx"));
        xml.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
        xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
        xml.writeAttribute(QStringLiteral("creator"), QStringLiteral("Ambrevale"));
        const auto point = [&](const QString& element, const TripFileEntry& e) {
            xml.writeStartElement(element);
            xml.writeAttribute(QStringLiteral("lat"), QString::fromUtf8(number(e.latitude)));
            xml.writeAttribute(QStringLiteral("lon"), QString::fromUtf8(number(e.longitude)));
            xml.writeTextElement(QStringLiteral("name"), e.text);
            xml.writeEndElement();
        };
        // The stops as waypoints too, for programs that list only those; reading
        // takes the route.
        for (const TripFileEntry& e : entries)
            point(QStringLiteral("wpt"), e);
        xml.writeStartElement(QStringLiteral("rte"));
        xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Trip"));
        for (const TripFileEntry& e : entries)
            point(QStringLiteral("rtept"), e);
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndDocument();
        break;
    }
    case TripFileFormat::GeoJson: {
        QJsonArray features;
        qint64 stop = 0;
        for (const TripFileEntry& e : entries) {
            const qsizetype dash = e.text.indexOf(QStringLiteral(" - "));
            QJsonObject properties{{QStringLiteral("name"), dash < 0 ? e.text : e.text.left(dash)},
                                   {QStringLiteral("text"), e.text},
                                   {QStringLiteral("stop"), ++stop}};
            if (dash >= 0 && dash + 3 < e.text.size())
                properties.insert(QStringLiteral("region"), e.text.mid(dash + 3));
            features.append(QJsonObject{
                {QStringLiteral("type"), QStringLiteral("Feature")},
                {QStringLiteral("geometry"),
                 QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                             {QStringLiteral("coordinates"), QJsonArray{e.longitude, e.latitude}}}},
                {QStringLiteral("properties"), properties}});
        }
        out = QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                                        {QStringLiteral("features"), features}})
                  .toJson(QJsonDocument::Compact);
        out += '\n';
        break;
    }
    case TripFileFormat::Csv: {
        // The tool's columns for cities, and the whole text so it comes back as it was.
        out = "name,region,latitude,longitude,text\r\n";
        for (const TripFileEntry& e : entries) {
            const qsizetype dash = e.text.indexOf(QStringLiteral(" - "));
            const QString name = dash < 0 ? e.text : e.text.left(dash);
            const QString region = dash < 0 ? QString() : e.text.mid(dash + 3);
            out += (csvField(name) + QLatin1Char(',') + csvField(region) + QLatin1Char(','))
                       .toUtf8() +
                   number(e.latitude) + ',' + number(e.longitude) + ',' +
                   csvField(e.text).toUtf8() + "\r\n";
        }
        break;
    }
    }
    return out;
}

} // namespace amb
