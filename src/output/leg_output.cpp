#include "output/leg_output.h"

#include "app/locale_numbers.h"
#include "app/named_values.h"
#include "distance/zip_distance.h"
#include "lookup/city_database.h"
#include "route/great_circle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace amb {

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

std::string number(double value) {
    return LocaleNumbers::storedText(value).toStdString();
}

// RFC 4180: a field with a comma, a quote or a line break is quoted, its quotes
// doubled.
std::string csvField(const QString& text) {
    std::string field = utf8(text);
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// TSV has no quoting: tabs and line breaks inside a field become spaces.
std::string tsvField(const QString& text) {
    std::string field = utf8(text);
    for (char& c : field)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return field;
}

void appendRow(std::string& out, OutputFormat format, const std::vector<std::string>& fields) {
    const bool csv = format == OutputFormat::Csv;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += csv ? ',' : '\t';
        out += fields[i];
    }
    out += csv ? "\r\n" : "\n";
}

std::string field(OutputFormat format, const QString& text) {
    return format == OutputFormat::Csv ? csvField(text) : tsvField(text);
}

QJsonObject placeObject(const QString& name, const QString& region, double latitude,
                        double longitude) {
    QJsonObject place{{QStringLiteral("name"), name},
                      {QStringLiteral("latitude"), latitude},
                      {QStringLiteral("longitude"), longitude}};
    if (!region.isEmpty())
        place.insert(QStringLiteral("region"), region);
    return place;
}

QJsonArray position(double longitude, double latitude) {
    // GeoJSON positions are longitude first.
    return QJsonArray{longitude, latitude};
}

QJsonObject pointFeature(const QJsonObject& properties, double latitude, double longitude) {
    return QJsonObject{
        {QStringLiteral("type"), QStringLiteral("Feature")},
        {QStringLiteral("geometry"),
         QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                     {QStringLiteral("coordinates"), position(longitude, latitude)}}},
        {QStringLiteral("properties"), properties}};
}

// The leg drawn along its great circle, a point at most every 100 km; a leg over
// the antimeridian becomes a MultiLineString of its pieces on either side.
QJsonObject legGeometry(const TripStop& from, const TripStop& to) {
    const auto pieces = route::greatCircleSegments({from.latitude, from.longitude},
                                                   {to.latitude, to.longitude}, 100);
    QJsonArray lines;
    for (const auto& piece : pieces) {
        QJsonArray line;
        for (const route::GeoPoint& p : piece)
            line.append(position(p.lon, p.lat));
        lines.append(line);
    }
    if (lines.size() == 1)
        return {{QStringLiteral("type"), QStringLiteral("LineString")},
                {QStringLiteral("coordinates"), lines.first()}};
    return {{QStringLiteral("type"), QStringLiteral("MultiLineString")},
            {QStringLiteral("coordinates"), lines}};
}

// A leg without a direction (its ends coincide) has null courses.
void addCourse(QJsonObject& leg, const std::optional<LegCourse>& course) {
    leg.insert(QStringLiteral("initial_course"),
               course ? QJsonValue(course->initial) : QJsonValue(QJsonValue::Null));
    leg.insert(QStringLiteral("final_course"),
               course ? QJsonValue(course->final) : QJsonValue(QJsonValue::Null));
}

void appendJson(std::string& out, const QJsonObject& object, QJsonDocument::JsonFormat format) {
    const QByteArray bytes = QJsonDocument(object).toJson(format);
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!bytes.endsWith('\n'))
        out += '\n';
}

} // namespace

std::optional<OutputFormat> parseOutputFormat(const QString& text) {
    static const NamedValue<OutputFormat> formats[] = {
        {QStringLiteral("text"), OutputFormat::Text},
        {QStringLiteral("tsv"), OutputFormat::Tsv},
        {QStringLiteral("csv"), OutputFormat::Csv},
        {QStringLiteral("json"), OutputFormat::Json},
        {QStringLiteral("geojson"), OutputFormat::GeoJson}};
    return valueNamed(formats, text);
}

std::string courseClause(const std::optional<LegCourse>& course, const LocaleNumbers& numbers) {
    if (!course)
        return {};
    std::string clause = ", initial course ";
    numbers.appendUtf8(wholeDegrees(course->initial), clause);
    return clause + "\u00b0";
}

std::optional<LegCourse> stopsCourse(const TripStop& from, const TripStop& to, EarthModel model) {
    if (from.text == to.text)
        return std::nullopt;
    return legCourse(from.latitude, from.longitude, to.latitude, to.longitude, model);
}

std::string legSentence(const QString& from, const QString& to, double distance, DistanceUnit unit,
                        const LocaleNumbers& numbers, const std::optional<LegCourse>& course) {
    std::string out = "Distance between ";
    out += utf8(from);
    out += " and ";
    out += utf8(to);
    out += " is ";
    // As in the window, two stops of the same text are 0 apart.
    if (from == to)
        out += '0';
    else
        numbers.appendUtf8(modZipDistance::roundToCents(distance), out);
    out += ' ';
    out += utf8(unitWords(unit));
    out += courseClause(course, numbers);
    return out;
}

std::string totalSentence(double total, DistanceUnit unit, const LocaleNumbers& numbers) {
    std::string out = "Total distance is ";
    numbers.appendUtf8(modZipDistance::roundToCents(total), out);
    out += ' ';
    out += utf8(unitWords(unit));
    return out;
}

LegWriter::LegWriter(const MeasureOptions& options, const LocaleNumbers& numbers)
    : options_(options), numbers_(numbers) {}

void LegWriter::start(std::string& out) {
    if (options_.format == OutputFormat::Tsv || options_.format == OutputFormat::Csv)
        appendRow(out, options_.format,
                  {"from", "to", "from_latitude", "from_longitude", "to_latitude", "to_longitude",
                   "distance", "unit", "initial_course", "final_course"});
}

qsizetype LegWriter::stopIndex(const TripStop& stop) {
    if (!stops_.empty()) {
        const TripStop& last = stops_.back();
        if (last.text == stop.text && last.latitude == stop.latitude &&
            last.longitude == stop.longitude)
            return static_cast<qsizetype>(stops_.size()) - 1;
    }
    stops_.push_back(stop);
    return static_cast<qsizetype>(stops_.size()) - 1;
}

void LegWriter::leg(const TripStop& from, const TripStop& to, double distance, std::string& out) {
    if (from.text == to.text)
        distance = 0;
    total_ += distance;
    // The text sentences name the course only when asked to; the other formats always do.
    const bool withCourse = options_.format != OutputFormat::Text || options_.course;
    const std::optional<LegCourse> course =
        withCourse ? stopsCourse(from, to, options_.model) : std::nullopt;
    switch (options_.format) {
    case OutputFormat::Text:
        out += legSentence(from.text, to.text, distance, options_.unit, numbers_, course);
        out += '\n';
        break;
    case OutputFormat::Tsv:
    case OutputFormat::Csv:
        appendRow(out, options_.format,
                  {field(options_.format, from.text), field(options_.format, to.text),
                   number(from.latitude), number(from.longitude), number(to.latitude),
                   number(to.longitude), number(distance), utf8(unitSymbol(options_.unit)),
                   course ? number(course->initial) : std::string(),
                   course ? number(course->final) : std::string()});
        break;
    case OutputFormat::Json:
    case OutputFormat::GeoJson: {
        const qsizetype a = stopIndex(from);
        const qsizetype b = stopIndex(to);
        legsKept_.push_back({a, b, distance, course});
        break;
    }
    }
}

void LegWriter::finish(std::string& out) {
    const QString unit = unitSymbol(options_.unit);
    switch (options_.format) {
    case OutputFormat::Text:
        if (options_.total) {
            out += totalSentence(total_, options_.unit, numbers_);
            out += '\n';
        }
        break;
    case OutputFormat::Tsv:
    case OutputFormat::Csv:
        if (options_.total)
            appendRow(out, options_.format,
                      {"Total", "", "", "", "", "", number(total_), utf8(unit), "", ""});
        break;
    case OutputFormat::Json: {
        QJsonArray cities;
        for (const TripStop& s : stops_)
            cities.append(placeObject(s.name, s.region, s.latitude, s.longitude));
        QJsonArray legs;
        for (const Leg& l : legsKept_) {
            const TripStop& from = stops_[static_cast<size_t>(l.from)];
            const TripStop& to = stops_[static_cast<size_t>(l.to)];
            QJsonObject leg{{QStringLiteral("from"), from.text},
                            {QStringLiteral("to"), to.text},
                            {QStringLiteral("from_city"), static_cast<qint64>(l.from)},
                            {QStringLiteral("to_city"), static_cast<qint64>(l.to)},
                            {QStringLiteral("distance"), l.distance}};
            addCourse(leg, l.course);
            legs.append(leg);
        }
        appendJson(out,
                   QJsonObject{{QStringLiteral("unit"), unit},
                               {QStringLiteral("model"), modelName(options_.model)},
                               {QStringLiteral("cities"), cities},
                               {QStringLiteral("legs"), legs},
                               {QStringLiteral("total"), total_}},
                   QJsonDocument::Indented);
        break;
    }
    case OutputFormat::GeoJson: {
        QJsonArray features;
        for (size_t i = 0; i < stops_.size(); ++i) {
            const TripStop& s = stops_[i];
            QJsonObject properties{{QStringLiteral("name"), s.name},
                                   {QStringLiteral("text"), s.text},
                                   {QStringLiteral("stop"), static_cast<qint64>(i + 1)}};
            if (!s.region.isEmpty())
                properties.insert(QStringLiteral("region"), s.region);
            features.append(pointFeature(properties, s.latitude, s.longitude));
        }
        int number = 0;
        for (const Leg& l : legsKept_) {
            const TripStop& from = stops_[static_cast<size_t>(l.from)];
            const TripStop& to = stops_[static_cast<size_t>(l.to)];
            QJsonObject properties{{QStringLiteral("leg"), ++number},
                                   {QStringLiteral("from"), from.text},
                                   {QStringLiteral("to"), to.text},
                                   {QStringLiteral("distance"), l.distance},
                                   {QStringLiteral("unit"), unit},
                                   {QStringLiteral("model"), modelName(options_.model)}};
            addCourse(properties, l.course);
            features.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("Feature")},
                                        {QStringLiteral("geometry"), legGeometry(from, to)},
                                        {QStringLiteral("properties"), properties}});
        }
        QJsonObject collection{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                               {QStringLiteral("features"), features}};
        if (options_.total)
            collection.insert(
                QStringLiteral("total"),
                QJsonObject{{QStringLiteral("distance"), total_}, {QStringLiteral("unit"), unit}});
        appendJson(out, collection, QJsonDocument::Compact);
        break;
    }
    }
}

std::string formatCities(const std::vector<CityRecord>& cities, OutputFormat format) {
    std::string out;
    switch (format) {
    case OutputFormat::Text:
        break;
    case OutputFormat::Tsv:
    case OutputFormat::Csv:
        appendRow(out, format, {"name", "region", "latitude", "longitude"});
        for (const CityRecord& c : cities)
            appendRow(out, format,
                      {field(format, c.accentCity), field(format, c.region), number(c.latitude),
                       number(c.longitude)});
        break;
    case OutputFormat::Json: {
        QJsonArray list;
        for (const CityRecord& c : cities)
            list.append(placeObject(c.accentCity, c.region, c.latitude, c.longitude));
        appendJson(out, QJsonObject{{QStringLiteral("cities"), list}}, QJsonDocument::Indented);
        break;
    }
    case OutputFormat::GeoJson: {
        QJsonArray features;
        for (const CityRecord& c : cities) {
            QJsonObject properties{{QStringLiteral("name"), c.accentCity},
                                   {QStringLiteral("text"), cityRowText(c.accentCity, c.region)}};
            if (!c.region.isEmpty())
                properties.insert(QStringLiteral("region"), c.region);
            features.append(pointFeature(properties, c.latitude, c.longitude));
        }
        appendJson(out,
                   QJsonObject{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                               {QStringLiteral("features"), features}},
                   QJsonDocument::Compact);
        break;
    }
    }
    return out;
}

} // namespace amb
