#include "lookup/city_fold.h"

#include <QList>
#include <vector>

namespace amb {

namespace {

// Marks that people type as a plain apostrophe or hyphen. Mapped before the
// compatibility decomposition, which would turn the acute accent sign into a
// space and a combining mark.
char16_t plainPunctuation(char16_t c) {
    switch (c) {
    case u'\u0060': // grave accent used as an apostrophe
    case u'\u00B4': // acute accent sign
    case u'\u02B9': // modifier prime
    case u'\u02BB': // turned comma (okina)
    case u'\u02BC': // modifier apostrophe
    case u'\u02BD': // reversed comma
    case u'\u02BE': // right half ring (transliterated aleph)
    case u'\u02BF': // left half ring (transliterated ayin)
    case u'\u2018':
    case u'\u2019':
    case u'\u201B':
    case u'\u2032': // prime
        return u'\'';
    case u'\u2010':
    case u'\u2011':
    case u'\u2012':
    case u'\u2013':
    case u'\u2014':
    case u'\u2212':
        return u'-';
    default:
        return c;
    }
}

// Letters that no Unicode decomposition splits into a base letter and a mark,
// in their case-folded form.
const char* spelledOut(char32_t c) {
    switch (c) {
    case U'\u00E6':
        return "ae"; // æ
    case U'\u0153':
        return "oe"; // œ
    case U'\u00DF':
        return "ss"; // ß
    case U'\u00F8':
        return "o"; // ø
    case U'\u0142':
        return "l"; // ł
    case U'\u0111':
        return "d"; // đ
    case U'\u00F0':
        return "d"; // ð
    case U'\u00FE':
        return "th"; // þ
    case U'\u0131':
        return "i"; // dotless ı
    case U'\u0127':
        return "h"; // ħ
    case U'\u0167':
        return "t"; // ŧ
    case U'\u0138':
        return "k"; // ĸ
    default:
        return nullptr;
    }
}

bool plainAscii(const QString& name) {
    for (const QChar c : name)
        if (c.unicode() >= 0x80 || c.unicode() == u'`')
            return false;
    return true;
}

} // namespace

QString foldCityName(const QString& name) {
    // Most names are plain ASCII: lower-casing is all they need.
    if (plainAscii(name))
        return name.toLower();

    QString text = name.toCaseFolded();
    for (QChar& c : text)
        c = QChar(plainPunctuation(c.unicode()));
    text = text.normalized(QString::NormalizationForm_KD);

    QString folded;
    folded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        if (QChar::category(c) == QChar::Mark_NonSpacing)
            continue;
        if (const char* spelled = spelledOut(c)) {
            folded.append(QLatin1String(spelled));
            continue;
        }
        folded.append(QChar::fromUcs4(c));
    }
    // Capitals whose folding is a capital with a mark (İ) are only lower-case
    // letters once the mark is gone.
    return folded.toCaseFolded();
}

QString prefixUpperBound(const QString& prefix) {
    std::vector<char32_t> points;
    points.reserve(static_cast<size_t>(prefix.size()));
    for (const char32_t c : prefix.toUcs4())
        points.push_back(c);
    while (!points.empty()) {
        char32_t last = points.back();
        if (last < 0x10FFFF) {
            ++last;
            if (last >= 0xD800 && last <= 0xDFFF) // surrogates are no characters
                last = 0xE000;
            points.back() = last;
            return QString::fromUcs4(points.data(), static_cast<qsizetype>(points.size()));
        }
        points.pop_back();
    }
    return QString();
}

} // namespace amb
