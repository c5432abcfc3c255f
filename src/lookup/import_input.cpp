#include "lookup/import_input.h"

#include "app/runtime_error.h"

#include <QDir>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace amb::importing {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void badRow(const QString& file, qint64 line, const QString& reason) {
    throw RunTimeError(err::InvalidPropertyValue,
                       QStringLiteral("%1:%2: %3").arg(shown(file)).arg(line).arg(reason));
}

[[noreturn]] void badFile(const QString& file, const QString& reason) {
    throw RunTimeError(err::InvalidPropertyValue,
                       QStringLiteral("%1: %2").arg(shown(file), reason));
}

void openForReading(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw RunTimeError(err::FileNotFound, QStringLiteral("%1: cannot be read: %2")
                                                  .arg(shown(file.fileName()), file.errorString()));
}

QByteArray readWhole(const QString& path) {
    QFile file(path);
    openForReading(file);
    return file.readAll();
}

bool parseDegrees(QByteArrayView text, double limit, double& degrees) {
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, degrees);
    return !text.isEmpty() && error == std::errc() && stop == end && std::isfinite(degrees) &&
           std::fabs(degrees) <= limit;
}

bool decodeUtf8(QByteArrayView bytes, QString& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArrayView withoutLineEnd(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

qint64 lineAtOffset(const QByteArray& data, qsizetype offset) {
    return 1 + data.first(std::clamp<qsizetype>(offset, 0, data.size())).count('\n');
}

// A count of people; anything else is an unknown population (a gazetteer's own
// business, not a reason to refuse the city).
qint64 parsePopulation(QByteArrayView text) {
    text = text.trimmed();
    qint64 population = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, population);
    return !text.isEmpty() && error == std::errc() && stop == end && population >= 0 ? population
                                                                                     : -1;
}

void refuseSplittingCharacters(const QString& file, qint64 line, const QString& column,
                               const QString& text) {
    for (const QChar c : text) {
        QString what;
        switch (c.unicode()) {
        case u'\t':
            what = QStringLiteral("a tab");
            break;
        case u'\n':
        case u'\r':
        case 0x2028:
        case 0x2029:
            what = QStringLiteral("a line break");
            break;
        case 0:
            what = QStringLiteral("a NUL character");
            break;
        case u';':
            what = QStringLiteral("a \";\" (it would split a kept trip entry in two)");
            break;
        default:
            continue;
        }
        badRow(file, line, QStringLiteral("%1 holds %2").arg(column, what));
    }
}

} // namespace amb::importing
