#include "lookup/city_fold.h"
#include "lookup/city_import.h"
#include "lookup/city_writer.h"
#include "lookup/import_input.h"
#include "lookup/import_readers.h"

#include <vector>

namespace amb {

using namespace importing;

namespace {

// The same from the optional CSV columns; -1 marks a column the file lacks.
CityDetails csvDetails(const QStringList& fields, qsizetype population, qsizetype country,
                       qsizetype alternateNames) {
    CityDetails details;
    if (population >= 0)
        details.population = parsePopulation(fields.at(population).toUtf8());
    if (country >= 0)
        details.country = fields.at(country).trimmed().toUpper();
    if (alternateNames >= 0)
        details.alternateNames = fields.at(alternateNames);
    return details;
}

qsizetype csvColumn(const QStringList& header, QLatin1StringView name) {
    for (qsizetype i = 0; i < header.size(); ++i)
        if (header.at(i).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// RFC 4180 records: fields separated by commas, quoted with " (doubled inside),
// records ended by LF or CR LF; a quoted field may span lines.
class CsvReader {
public:
    CsvReader(const QString& path, const QString& text) : path_(path), text_(text) {}

    // The next record and the line it begins on; false at the end of the text.
    bool next(QStringList& fields, qint64& line) {
        const qsizetype n = text_.size();
        if (pos_ >= n)
            return false;
        fields.clear();
        line = line_;
        for (;;) {
            QString field;
            if (pos_ < n && text_[pos_] == QLatin1Char('"')) {
                ++pos_;
                for (;;) {
                    if (pos_ >= n)
                        badRow(path_, line, QStringLiteral("a quoted field is not closed"));
                    const QChar c = text_[pos_++];
                    if (c == QLatin1Char('"')) {
                        if (pos_ < n && text_[pos_] == QLatin1Char('"')) {
                            field += c;
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line_;
                    field += c;
                }
                if (pos_ < n && !atSeparator())
                    badRow(path_, line_,
                           QStringLiteral("a closing quote must be followed by a comma or the end "
                                          "of the line"));
            } else {
                const qsizetype start = pos_;
                while (pos_ < n && !atSeparator())
                    ++pos_;
                field = text_.mid(start, pos_ - start);
            }
            fields.append(field);
            if (pos_ >= n)
                return true;
            if (text_[pos_] == QLatin1Char(',')) {
                ++pos_;
                continue;
            }
            if (text_[pos_] == QLatin1Char('\r'))
                ++pos_;
            if (pos_ < n && text_[pos_] == QLatin1Char('\n'))
                ++pos_;
            ++line_;
            return true;
        }
    }

private:
    bool atSeparator() const {
        const QChar c = text_[pos_];
        return c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    }

    QString path_;
    const QString& text_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
};

} // namespace

namespace importing {

CsvRows readCsvRows(const QByteArray& data, const QString& csvPath) {
    QString text;
    if (!decodeUtf8(data, text)) {
        qint64 lineNumber = 0;
        for (const QByteArray& line : data.split('\n')) {
            ++lineNumber;
            QString ignored;
            if (!decodeUtf8(line, ignored))
                badRow(csvPath, lineNumber, QStringLiteral("the text is not UTF-8"));
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    CsvReader reader(csvPath, text);
    QStringList fields;
    qint64 line = 0;
    if (!reader.next(fields, line))
        badFile(csvPath, QStringLiteral("is empty; it needs a header line naming the columns "
                                        "city, AccentCity, Region, Latitude, Longitude"));
    const QStringList wanted = {QStringLiteral("city"), QStringLiteral("AccentCity"),
                                QStringLiteral("Region"), QStringLiteral("Latitude"),
                                QStringLiteral("Longitude")};
    qsizetype column[5];
    QStringList missing;
    for (qsizetype k = 0; k < wanted.size(); ++k) {
        column[k] = -1;
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (fields.at(i).trimmed().compare(wanted.at(k), Qt::CaseInsensitive) == 0)
                column[k] = i;
        if (column[k] < 0)
            missing << wanted.at(k);
    }
    if (!missing.isEmpty())
        badRow(csvPath, line,
               QStringLiteral("the header must name the columns city, AccentCity, Region, "
                              "Latitude and Longitude (missing: %1)")
                   .arg(missing.join(QStringLiteral(", "))));
    const qsizetype columns = fields.size();
    const qsizetype populationColumn = csvColumn(fields, QLatin1StringView("Population"));
    const qsizetype countryColumn = csvColumn(fields, QLatin1StringView("CountryCode"));
    const qsizetype alternateNamesColumn = csvColumn(fields, QLatin1StringView("AlternateNames"));
    CsvRows result;
    result.headerLine = line;

    std::vector<ImportRow>& rows = result.rows;
    while (reader.next(fields, line)) {
        if (fields.size() == 1 && fields.first().trimmed().isEmpty())
            continue; // a blank line
        if (fields.size() != columns)
            badRow(csvPath, line,
                   QStringLiteral("expected %1 fields, as the header names, found %2 (quote a "
                                  "field that holds a comma)")
                       .arg(columns)
                       .arg(fields.size()));
        ImportRow row;
        row.accentCity = fields.at(column[1]);
        if (row.accentCity.trimmed().isEmpty())
            badRow(csvPath, line, QStringLiteral("AccentCity is empty"));
        refuseSplittingCharacters(csvPath, line, QStringLiteral("AccentCity"), row.accentCity);
        refuseSplittingCharacters(csvPath, line, QStringLiteral("Region"), fields.at(column[2]));
        const QString city = fields.at(column[0]);
        row.city = foldCityName(city.isEmpty() ? row.accentCity : city);
        row.region = fields.at(column[2]);
        if (!parseDegrees(fields.at(column[3]).toUtf8(), 90, row.latitude))
            badRow(csvPath, line,
                   QStringLiteral("the latitude \"%1\" is not a number of degrees from -90 to 90 "
                                  "(with a decimal point)")
                       .arg(fields.at(column[3])));
        if (!parseDegrees(fields.at(column[4]).toUtf8(), 180, row.longitude))
            badRow(csvPath, line,
                   QStringLiteral("the longitude \"%1\" is not a number of degrees from -180 to "
                                  "180 (with a decimal point)")
                       .arg(fields.at(column[4])));
        row.details = csvDetails(fields, populationColumn, countryColumn, alternateNamesColumn);
        rows.push_back(std::move(row));
    }
    return result;
}

} // namespace importing

ImportSummary importCsv(const QString& csvPath, const QString& outputPath,
                        const ImportProgress& progress) {
    CsvRows read = readCsvRows(readWhole(csvPath), csvPath);
    std::vector<ImportRow>& rows = read.rows;
    // A header alone would replace a working database with an empty one.
    if (rows.empty())
        badRow(csvPath, read.headerLine,
               QStringLiteral("the header names the columns but the file holds no cities; %1 was "
                              "left as it was")
                   .arg(shown(outputPath)));
    ImportSummary summary;
    summary.cities = static_cast<qint64>(rows.size());
    CityTableWriter writer(outputPath, progress);
    for (ImportRow& row : rows)
        writer.add(std::move(row));
    writer.finish();
    return summary;
}

} // namespace amb
