#include "app/locale_numbers.h"

#include "app/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace amb {

namespace {

// Longest number text read, in code points: far beyond any number a person types,
// and it keeps the conversion free of allocations.
constexpr size_t kMaxTextLength = 256;

// The text the largest double is written as (15 significant digits), read a ten
// billionth of its size, so that it stays within a double's range.
constexpr double kLargestWrittenScaledDown = 1.79769313486232e298;
constexpr long kScaleDownExponent = 10;

// A number's ASCII text with an exponent, read as its value divided by 10^10.
// Reading it as a long double would not do: on some systems that is no wider.
std::optional<double> readScaledDown(const char* ascii, size_t length) {
    const char* end = ascii + length;
    const char* mark = std::find_if(ascii, end, [](char c) { return c == 'e' || c == 'E'; });
    if (mark == end)
        return std::nullopt;
    const char* digits = mark + 1;
    if (digits != end && *digits == '+')
        ++digits;
    long exponent = 0;
    const auto [afterExponent, exponentError] = std::from_chars(digits, end, exponent);
    if (exponentError != std::errc() || afterExponent != end)
        return std::nullopt;
    char scaled[kMaxTextLength + 32];
    char* out = std::copy(ascii, mark + 1, scaled);
    out = std::to_chars(out, scaled + sizeof scaled, exponent - kScaleDownExponent).ptr;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(scaled, out, value, std::chars_format::general);
    if (ec != std::errc() || ptr != out || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::u32string toUtf32(const QString& text) {
    const QList<uint> points = text.toUcs4();
    return std::u32string(points.begin(), points.end());
}

std::string toUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool isDirectionMark(char32_t c) {
    return c == 0x200E || c == 0x200F || c == 0x061C;
}

// The locale's sign without its direction marks, when that leaves one character.
char32_t signCharacter(const std::u32string& sign) {
    char32_t found = 0;
    for (const char32_t c : sign) {
        if (isDirectionMark(c))
            continue;
        if (found != 0)
            return 0;
        found = c;
    }
    return found;
}

// Most coordinates are plain decimals ("-12.5"), which read the same in every
// locale: the locale's symbols give way to ASCII ones. Anything else (signs and
// digits of the locale, spaces, exponents) is left to the full reading.
std::optional<double> plainDecimal(std::string_view text) {
    if (text.empty() || text.size() > kMaxTextLength)
        return std::nullopt;
    const bool negative = text.front() == '-';
    size_t i = negative ? 1 : 0;
    std::uint64_t digits = 0; // wraps beyond 19 digits, and is then not used
    const auto digitRun = [&] {
        const size_t start = i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            digits = digits * 10 + static_cast<unsigned>(text[i] - '0');
        return i - start;
    };
    const size_t integerDigits = digitRun();
    if (integerDigits == 0)
        return std::nullopt;
    size_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if ((decimals = digitRun()) == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    // Up to 15 digits, the digits as a whole number and the power of ten are exact
    // doubles: one division, correctly rounded, gives the double nearest the decimal,
    // as from_chars does.
    if (integerDigits + decimals <= 15) {
        static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double value = static_cast<double>(digits) / kPowersOfTen[decimals];
        return negative ? -value : value;
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Appends the ASCII form written by numberText15 with each character replaced by the
// locale's symbol for it; one body for the QString and the UTF-8 output.
template <class Text>
void appendSymbols(const char* ascii, int length, const Text (&digits)[10], const Text& point,
                   const Text& minus, const Text& plus, const Text& exponent, Text& out) {
    for (int i = 0; i < length; ++i) {
        const char c = ascii[i];
        if (c >= '0' && c <= '9')
            out += digits[c - '0'];
        else if (c == '.')
            out += point;
        else if (c == '-')
            out += minus;
        else if (c == '+')
            out += plus;
        else
            out += exponent;
    }
}

} // namespace

LocaleNumbers::LocaleNumbers(const QLocale& locale) : source_(locale), locale_(locale) {
    locale_.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    point_ = locale_.decimalPoint();
    minus_ = locale_.negativeSign();
    plus_ = locale_.positiveSign();
    exponent_ = locale_.exponential();
    const std::u32string zero = toUtf32(locale_.zeroDigit());
    zero_ = zero.size() == 1 ? zero.front() : U'0';
    for (int d = 0; d < 10; ++d) {
        const char32_t digit = zero_ + static_cast<char32_t>(d);
        digits_[d] = QString::fromUcs4(&digit, 1);
        utf8Digits_[d] = toUtf8(digits_[d]);
    }
    utf8Point_ = toUtf8(point_);
    utf8Minus_ = toUtf8(minus_);
    utf8Plus_ = toUtf8(plus_);
    utf8Exponent_ = toUtf8(exponent_);
    point32_ = toUtf32(point_);
    minus32_ = toUtf32(minus_);
    plus32_ = toUtf32(plus_);
    minusCharacter_ = signCharacter(minus32_);
    plusCharacter_ = signCharacter(plus32_);
    exponents32_[0] = toUtf32(exponent_);
    exponents32_[1] = toUtf32(exponent_.toLower());
    exponents32_[2] = toUtf32(exponent_.toUpper());
    asciiOnly_ = zero_ == U'0' && point_ == QLatin1String(".") && minus_ == QLatin1String("-") &&
                 plus_ == QLatin1String("+") && exponent_ == QLatin1String("e");
    const double infinity = std::numeric_limits<double>::infinity();
    infinity_ = locale_.toString(infinity, 'g', 15);
    negativeInfinity_ = locale_.toString(-infinity, 'g', 15);
    notANumber_ = locale_.toString(std::numeric_limits<double>::quiet_NaN(), 'g', 15);
}

const LocaleNumbers& LocaleNumbers::current() {
    thread_local std::optional<LocaleNumbers> numbers;
    const QLocale locale;
    if (!numbers || numbers->source_ != locale)
        numbers.emplace(locale);
    return *numbers;
}

QString LocaleNumbers::toText(double value) const {
    char ascii[32];
    const int length = numberText15(value, ascii);
    if (length == 0)
        return std::isnan(value) ? notANumber_ : value > 0 ? infinity_ : negativeInfinity_;
    if (asciiOnly_)
        return QString::fromLatin1(ascii, length);
    QString text;
    text.reserve(length + 4);
    appendSymbols(ascii, length, digits_, point_, minus_, plus_, exponent_, text);
    return text;
}

void LocaleNumbers::appendUtf8(double value, std::string& out) const {
    char ascii[32];
    const int length = numberText15(value, ascii);
    if (length == 0) {
        out += toUtf8(toText(value));
        return;
    }
    if (asciiOnly_) {
        out.append(ascii, static_cast<size_t>(length));
        return;
    }
    appendSymbols(ascii, length, utf8Digits_, utf8Point_, utf8Minus_, utf8Plus_, utf8Exponent_,
                  out);
}

std::optional<double> LocaleNumbers::fromText(QStringView text) const {
    char32_t points[kMaxTextLength];
    size_t n = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (n == kMaxTextLength)
            return std::nullopt;
        const char16_t c = text[i].unicode();
        if (QChar::isSurrogate(c)) {
            if (!QChar::isHighSurrogate(c) || i + 1 == size ||
                !QChar::isLowSurrogate(text[i + 1].unicode()))
                return std::nullopt;
            points[n++] = QChar::surrogateToUcs4(c, text[++i].unicode());
        } else {
            points[n++] = c;
        }
    }
    return parse(points, points + n);
}

std::optional<double> LocaleNumbers::fromUtf8(std::string_view text) const {
    if (const std::optional<double> value = plainDecimal(text))
        return value;
    char32_t points[kMaxTextLength];
    size_t n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p != end) {
        if (n == kMaxTextLength)
            return std::nullopt;
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            points[n++] = lead;
            continue;
        }
        int more;
        char32_t c;
        if ((lead & 0xE0) == 0xC0) {
            more = 1;
            c = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2;
            c = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3;
            c = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (end - p < more)
            return std::nullopt;
        for (int k = 0; k < more; ++k, ++p) {
            if ((*p & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (*p & 0x3F);
        }
        // Overlong forms and surrogates are not characters.
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        points[n++] = c;
    }
    return parse(points, points + n);
}

std::optional<double> LocaleNumbers::parse(const char32_t* begin, const char32_t* end) const {
    while (begin != end && QChar::isSpace(*begin))
        ++begin;
    while (end != begin && QChar::isSpace(end[-1]))
        --end;
    // The locale's own symbols first, then plain ASCII: "-12.5" under a decimal comma.
    char ascii[kMaxTextLength + 1];
    for (const bool localeSymbols : {true, false}) {
        size_t length = 0;
        if (!parseWith(begin, end, localeSymbols, ascii, length))
            continue;
        double value = 0;
        const auto [ptr, ec] =
            std::from_chars(ascii, ascii + length, value, std::chars_format::general);
        if (ptr != ascii + length)
            continue;
        if (ec == std::errc() && std::isfinite(value))
            return value;
        // The largest doubles are written rounded up to 15 digits, just beyond the
        // range: such a text reads back as the largest double. Further beyond the
        // range (either way) is no number.
        if (ec == std::errc::result_out_of_range) {
            // Beyond the range one way, not underflowing the other.
            const std::optional<double> scaled = readScaledDown(ascii, length);
            if (scaled && std::fabs(*scaled) > std::numeric_limits<double>::max() / 1e10 &&
                std::fabs(*scaled) <= kLargestWrittenScaledDown)
                return std::copysign(std::numeric_limits<double>::max(), *scaled);
        }
    }
    return std::nullopt;
}

bool LocaleNumbers::parseWith(const char32_t* begin, const char32_t* end, bool localeSymbols,
                              char* ascii, size_t& length) const {
    const char32_t* p = begin;
    char* out = ascii;
    const auto match = [&](const Symbol& symbol) {
        if (symbol.empty() || static_cast<size_t>(end - p) < symbol.size() ||
            !std::equal(symbol.begin(), symbol.end(), p))
            return false;
        p += symbol.size();
        return true;
    };
    const auto take = [&](char32_t c) {
        if (p == end || *p != c)
            return false;
        ++p;
        return true;
    };
    // A sign: the locale's own, or (in locale texts) its character with or without
    // direction marks around it, ASCII '-' and U+2212 included.
    const auto sign = [&] {
        if (localeSymbols && match(minus32_))
            return '-';
        if (localeSymbols && match(plus32_))
            return '+';
        const char32_t* start = p;
        if (localeSymbols)
            while (p != end && isDirectionMark(*p))
                ++p;
        char found = 0;
        if (p != end) {
            const char32_t c = *p;
            if (c == U'-' || (localeSymbols && (c == U'\u2212' || c == minusCharacter_)))
                found = '-';
            else if (c == U'+' || (localeSymbols && c == plusCharacter_))
                found = '+';
        }
        if (found == 0) {
            p = start;
            return found;
        }
        ++p;
        if (localeSymbols)
            while (p != end && isDirectionMark(*p))
                ++p;
        return found;
    };
    const char32_t zero = localeSymbols ? zero_ : U'0';
    const auto digits = [&] {
        int count = 0;
        for (; p != end && *p - zero < 10; ++p, ++count)
            *out++ = static_cast<char>('0' + (*p - zero));
        return count;
    };

    if (sign() == '-')
        *out++ = '-';
    int mantissa = digits();
    if (localeSymbols ? match(point32_) : take(U'.')) {
        *out++ = '.';
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (p != end) {
        const bool exponent = localeSymbols ? match(exponents32_[0]) || match(exponents32_[1]) ||
                                                  match(exponents32_[2])
                                            : take(U'e') || take(U'E');
        if (!exponent)
            return false;
        *out++ = 'e';
        if (sign() == '-')
            *out++ = '-';
        if (digits() == 0)
            return false;
    }
    length = static_cast<size_t>(out - ascii);
    return p == end;
}

QString LocaleNumbers::storedText(double value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, written.ptr - text);
}

std::optional<double> LocaleNumbers::fromStoredText(QStringView text) {
    char ascii[kMaxTextLength];
    if (text.isEmpty() || static_cast<size_t>(text.size()) > kMaxTextLength)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80)
            return std::nullopt;
        ascii[i] = static_cast<char>(c);
    }
    double value = 0;
    const auto end = ascii + text.size();
    const auto [ptr, ec] = std::from_chars(ascii, end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace amb
