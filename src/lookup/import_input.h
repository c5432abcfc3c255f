#pragma once

// What the GeoNames and CSV readers of the importer share: the row they hand the
// writer, the messages for bad input, and the reading of numbers and text.

#include "lookup/city_details.h"

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace amb::importing {

struct ImportRow {
    QString city; // folded, as searches match it
    QString accentCity;
    QString region;
    double latitude;
    double longitude;
    CityDetails details;
};

// The path as the user's system writes it.
QString shown(const QString& path);

// Refuses the input: "FILE:LINE: reason" or "FILE: reason".
[[noreturn]] void badRow(const QString& file, qint64 line, const QString& reason);
[[noreturn]] void badFile(const QString& file, const QString& reason);

void openForReading(QFile& file);
QByteArray readWhole(const QString& path);

// Decimal degrees written with a point, within [-limit, limit].
bool parseDegrees(QByteArrayView text, double limit, double& degrees);
// False when the bytes are not UTF-8.
bool decodeUtf8(QByteArrayView bytes, QString& text);
QByteArrayView withoutLineEnd(QByteArrayView line);
// The line of a byte offset, counting from 1.
qint64 lineAtOffset(const QByteArray& data, qsizetype offset);
// A count of people, or -1 for anything else.
qint64 parsePopulation(QByteArrayView text);

// A name goes into tab-separated and line-based outputs and, as part of a trip
// entry, into a ";"-separated setting: characters that would split it there are
// refused with the row's place. A gazetteer never holds them.
void refuseSplittingCharacters(const QString& file, qint64 line, const QString& column,
                               const QString& text);

} // namespace amb::importing
