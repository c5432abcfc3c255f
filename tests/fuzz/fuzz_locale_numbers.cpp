// Numbers as the user reads and types them, in each locale of the tests. The first
// byte picks the locale; the rest is read as a number's text, and its first eight
// bytes are also a double to write. Properties:
// - reading accepts only what std::from_chars accepts once the locale's symbols
//   (digits, point, signs, exponent) are put back into ASCII, and gives its value;
// - the UTF-8 and the UTF-16 reading agree;
// - writing gives QLocale's 'g' 15 text without group separators, reads back to a
//   number that writes the same text, and to the very double when it has at most 15
//   significant digits; the stored text reads back to the very double. The largest
//   doubles' text, 1.79769313486232e+308, rounds up beyond the range of a double and
//   reads back as the largest double.
#include "fuzz_support.h"

#include "app/locale_numbers.h"

#include <QByteArray>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

struct Locale {
    QLocale qt;
    amb::LocaleNumbers numbers;
    explicit Locale(const QLocale& locale)
        : qt([&] {
              QLocale l = locale;
              l.setNumberOptions(QLocale::OmitGroupSeparator);
              return l;
          }()),
          numbers(locale) {}
};

const Locale& locale(uint8_t choice) {
    static std::optional<Locale> locales[fuzz::kLocaleCount];
    std::optional<Locale>& l = locales[choice % fuzz::kLocaleCount];
    if (!l)
        l.emplace(fuzz::testLocale(choice));
    return *l;
}

QString withoutMarks(QString text) {
    text.remove(QChar(0x200E));
    text.remove(QChar(0x200F));
    text.remove(QChar(0x061C));
    return text;
}

// The text with the locale's symbols put back into ASCII, read by from_chars alone.
std::optional<double> plainReading(const QString& text, const QLocale& locale) {
    QString t = withoutMarks(text.trimmed());
    t.replace(withoutMarks(locale.negativeSign()), QStringLiteral("-"));
    t.replace(QChar(0x2212), QLatin1Char('-'));
    t.replace(withoutMarks(locale.positiveSign()), QStringLiteral("+"));
    t.replace(locale.exponential(), QStringLiteral("e"), Qt::CaseInsensitive);
    t.replace(locale.decimalPoint(), QStringLiteral("."));
    const QString zero = locale.zeroDigit();
    if (zero.size() == 1)
        for (QChar& c : t)
            if (c.unicode() >= zero[0].unicode() && c.unicode() < zero[0].unicode() + 10)
                c = QLatin1Char(static_cast<char>('0' + (c.unicode() - zero[0].unicode())));
    if (t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    std::string ascii;
    for (const QChar c : t) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
        ascii += static_cast<char>(c.unicode());
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (end != ascii.data() + ascii.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Up to the largest double's written text, beyond the range is the largest.
        const std::string magnitude = ascii.substr(ascii[0] == '-' ? 1 : 0);
        if (std::strtod(magnitude.c_str(), nullptr) != HUGE_VAL ||
            !(std::strtold(magnitude.c_str(), nullptr) <= 1.79769313486232e308L))
            return std::nullopt;
        return ascii[0] == '-' ? -DBL_MAX : DBL_MAX;
    }
    if (ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void checkWriting(double value, const Locale& l) {
    const QString text = l.numbers.toText(value);
    if (text != l.qt.toString(value, 'g', 15))
        std::abort(); // writes other than the locale does
    std::string utf8;
    l.numbers.appendUtf8(value, utf8);
    if (QByteArray::fromStdString(utf8) != text.toUtf8())
        std::abort(); // the UTF-8 writing differs
    const std::optional<double> back = l.numbers.fromText(text);
    if (!std::isfinite(value)) {
        if (back)
            std::abort(); // reads what no number writes
        return;
    }
    char digits[32];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    double rounded = 0;
    if (std::from_chars(digits, written.ptr, rounded).ec == std::errc::result_out_of_range) {
        if (!back || *back != std::copysign(DBL_MAX, value))
            std::abort(); // the largest doubles' text does not read back as the largest
        return;
    }
    if (!back || l.numbers.toText(*back) != text)
        std::abort(); // what it writes does not read back
    if (rounded == value && *back != value)
        std::abort(); // a 15-digit number changed on its way through the text
    if (amb::LocaleNumbers::fromStoredText(amb::LocaleNumbers::storedText(value)) != value)
        std::abort(); // the settings' text of a number is not that number
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const Locale& l = locale(input.byte());
    const std::string_view bytes = input.rest();

    const std::optional<double> read = l.numbers.fromUtf8(bytes);
    const QByteArray utf8 = input.restBytes();
    const QString text = QString::fromUtf8(utf8);
    if (text.toUtf8() == utf8 && l.numbers.fromText(text) != read)
        std::abort(); // the UTF-8 and the UTF-16 reading differ
    if (read && plainReading(text, l.qt) != read)
        std::abort(); // accepts what is no number in this locale, or misreads it
    if (read)
        checkWriting(*read, l);

    if (bytes.size() >= sizeof(double)) {
        double value;
        std::memcpy(&value, bytes.data(), sizeof value);
        checkWriting(value, l);
    }
    return 0;
}
