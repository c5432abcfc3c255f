#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>
#include <string>
#include <string_view>

namespace amb {

// Numbers as the user reads and types them, for one locale. The locale's symbols
// (decimal point, signs with their direction marks, digits, exponent symbol) are
// read once at construction; each conversion then works on characters alone,
// without asking QLocale again.
//
// Writing gives exactly QLocale::toString(value, 'g', 15) with the group separator
// omitted. Reading is its inverse: it takes what writing gives in this locale, and
// plain ASCII decimals ("-12.5", "1e5") in every locale. Group separators, "inf",
// "nan", an empty text and a number followed by anything else are refused;
// leading and trailing white space is ignored.
class LocaleNumbers {
public:
    explicit LocaleNumbers(const QLocale& locale);

    // The conversion for QLocale() (the default locale, which is the system one
    // unless a test set another), kept per thread and made again only when the
    // default locale changes.
    static const LocaleNumbers& current();

    const QLocale& locale() const { return locale_; }

    QString toText(double value) const;
    // The same text appended as UTF-8, for output that never becomes a QString.
    void appendUtf8(double value, std::string& out) const;

    std::optional<double> fromText(QStringView text) const;
    // The same for UTF-8 bytes; malformed UTF-8 is refused.
    std::optional<double> fromUtf8(std::string_view text) const;

    // Locale-independent text for storing numbers: the shortest decimal that reads
    // back to the same double, with a point (std::to_chars). Read back with
    // fromStoredText, which takes plain decimals only.
    static QString storedText(double value);
    static std::optional<double> fromStoredText(QStringView text);

private:
    // One locale symbol as UTF-32, so both UTF-16 and UTF-8 input compare against it.
    using Symbol = std::u32string;

    std::optional<double> parse(const char32_t* begin, const char32_t* end) const;
    bool parseWith(const char32_t* begin, const char32_t* end, bool localeSymbols, char* ascii,
                   size_t& length) const;

    QLocale source_; // as given, to tell whether the default locale changed
    QLocale locale_;
    bool asciiOnly_; // every symbol is the ASCII character it stands for
    QString digits_[10];
    QString point_, minus_, plus_, exponent_;
    QString infinity_, negativeInfinity_, notANumber_;
    std::string utf8Digits_[10];
    std::string utf8Point_, utf8Minus_, utf8Plus_, utf8Exponent_;
    char32_t zero_;
    char32_t minusCharacter_, plusCharacter_; // the signs without direction marks
    Symbol point32_, minus32_, plus32_;
    Symbol exponents32_[3]; // as the locale writes it, lower and upper case
};

} // namespace amb
