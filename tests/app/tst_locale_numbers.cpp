#include "app/locale_numbers.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace amb;

namespace {

const char* const kLocales[] = {"C",     "en_US", "de_DE", "fr_FR", "sv_SE",
                                "he_IL", "ar_EG", "ar_SA", "fa_IR", "hi_IN"};

double uniform(QRandomGenerator& random, double low, double high) {
    return low + random.generateDouble() * (high - low);
}

// Zero and its sign, tiny and huge values, every exponent form, values exactly
// halfway at the 15th digit, coordinates as the gazetteer holds them, and random
// bit patterns.
std::vector<double> sampleValues() {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1,
                                  -1,
                                  0.5,
                                  -9.12417,
                                  180,
                                  -180,
                                  90,
                                  -90,
                                  0.0001,
                                  0.00001,
                                  -1.5e-7,
                                  1e14,
                                  1e15,
                                  1e20,
                                  -1e300,
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(),
                                  0.1 + 0.2,
                                  123456789012345678.0,
                                  100000000000000.5,
                                  100000000000001.5,
                                  -100000000000000.5,
                                  0.000122070312500000};
    QRandomGenerator random(20260);
    for (int i = 0; i < 4000; ++i) {
        // A gazetteer coordinate: up to 5 decimals, as read from its text.
        values.push_back(std::round(uniform(random, -180.0, 180.0) * 1e5) / 1e5);
        values.push_back(uniform(random, -180.0, 180.0));
        // Any magnitude.
        values.push_back(std::ldexp(uniform(random, -1.0, 1.0), uniform(random, -1074, 1024)));
        quint64 bits = random.generate64();
        double pattern;
        std::memcpy(&pattern, &bits, sizeof pattern);
        if (std::isfinite(pattern))
            values.push_back(pattern);
        // Exactly halfway at the 15th significant digit: n + 0.5 with 15 digits in n,
        // and binary fractions with 16 significant digits.
        const double whole = std::floor(uniform(random, 1e14, 9e14));
        values.push_back(whole + 0.5);
        values.push_back(
            std::ldexp(std::floor(uniform(random, 1e15, 9e15)) + 0.5, -uniform(random, 1, 40)));
    }
    return values;
}

} // namespace

class TestLocaleNumbers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writingMatchesTheLocaleAndReadsBack_data();
    void writingMatchesTheLocaleAndReadsBack();
    void reading_data();
    void reading();
};

void TestLocaleNumbers::writingMatchesTheLocaleAndReadsBack_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : kLocales)
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Character for character what QLocale writes; read back (as text and as UTF-8)
// to the double that text stands for; the stored form gives back the very double.
void TestLocaleNumbers::writingMatchesTheLocaleAndReadsBack() {
    QFETCH(QString, locale);
    QLocale reference(locale);
    if (locale != QLatin1String("C") && reference.name() != locale)
        QSKIP(qPrintable(QStringLiteral("Qt has no data for the locale %1").arg(locale)));
    reference.setNumberOptions(QLocale::OmitGroupSeparator);
    const QLocale c = QLocale::c();
    const LocaleNumbers numbers(QLocale{locale});
    int checked = 0;
    for (const double value : sampleValues()) {
        const QString expected = reference.toString(value, 'g', 15);
        const QString text = numbers.toText(value);
        if (text != expected)
            QFAIL(qPrintable(QStringLiteral("%1 is written \"%2\", the locale writes \"%3\"")
                                 .arg(c.toString(value, 'g', 17), text, expected)));
        std::string utf8;
        numbers.appendUtf8(value, utf8);
        QCOMPARE(QString::fromStdString(utf8), expected);

        double meant = std::strtod(c.toString(value, 'g', 15).toLatin1().constData(), nullptr);
        const std::optional<double> read = numbers.fromText(text);
        const std::optional<double> readUtf8 = numbers.fromUtf8(utf8);
        // The largest doubles' text rounds up beyond the range: it stands for the
        // largest double. Subnormals are left out.
        if (std::isinf(meant) && std::isfinite(value))
            meant = std::copysign(std::numeric_limits<double>::max(), value);
        if (!std::isfinite(meant)) {
            QVERIFY(!read && !readUtf8);
            continue;
        }
        if (meant != 0 && std::fabs(meant) < std::numeric_limits<double>::min())
            continue;
        if (!read || *read != meant || !readUtf8 || *readUtf8 != meant)
            QFAIL(qPrintable(QStringLiteral("\"%1\" read back as %2, not %3")
                                 .arg(text,
                                      read ? c.toString(*read, 'g', 17) : QStringLiteral("nothing"),
                                      c.toString(meant, 'g', 17))));
        const std::optional<double> stored =
            LocaleNumbers::fromStoredText(LocaleNumbers::storedText(value));
        QVERIFY(stored && std::memcmp(&*stored, &value, sizeof value) == 0);
        ++checked;
    }
    QVERIFY(checked > 20000);
}

void TestLocaleNumbers::reading_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // NaN: refused
    const double refused = std::numeric_limits<double>::quiet_NaN();
    const auto row = [](const char* name, const char* locale, const QString& text, double value) {
        QTest::newRow(name) << QString::fromLatin1(locale) << text << value;
    };
    // Plain ASCII decimals in every locale.
    for (const char* locale : kLocales)
        row(qPrintable(QStringLiteral("ASCII under %1").arg(QLatin1String(locale))), locale,
            QStringLiteral("-12.5"), -12.5);
    row("ASCII exponent", "ar_EG", QStringLiteral("1.5e-3"), 0.0015);
    row("white space around", "de_DE", QStringLiteral(" -12,5\t"), -12.5);
    row("plus sign", "C", QStringLiteral("+3"), 3);
    row("minus without its mark", "he_IL", QStringLiteral("-9.5"), -9.5);
    row("Arabic minus without its mark", "ar_EG", QStringLiteral("-\u0669\u066B\u0665"), -9.5);
    row("ASCII minus in Swedish", "sv_SE", QStringLiteral("-12,5"), -12.5);
    row("exponent in the other case", "de_DE", QStringLiteral("1,5e3"), 1500);
    row("Persian exponent", "fa_IR",
        QStringLiteral("\u06F1\u00D7\u06F1\u06F0^\u200E\u2212\u06F0\u06F5"), 1e-5);
    // Refused as a type mismatch.
    row("empty", "C", QString(), refused);
    row("only space", "C", QStringLiteral("  "), refused);
    row("sign alone", "he_IL", QStringLiteral("\u200E-"), refused);
    row("point alone", "C", QStringLiteral("."), refused);
    row("comma group", "en_US", QStringLiteral("1,000"), refused);
    row("point group", "de_DE", QStringLiteral("1.000,5"), refused);
    row("narrow space group", "fr_FR", QStringLiteral("1\u202F000"), refused);
    row("Arabic group", "ar_EG", QStringLiteral("\u0661\u066C\u0660\u0660\u0660"), refused);
    row("inf", "C", QStringLiteral("inf"), refused);
    row("nan", "C", QStringLiteral("nan"), refused);
    row("locale's infinity", "ar_EG", QStringLiteral("\u061C-inf"), refused);
    row("trailing letters", "C", QStringLiteral("12.5abc"), refused);
    row("two points", "C", QStringLiteral("1.2.3"), refused);
    row("exponent without digits", "C", QStringLiteral("1e"), refused);
    row("largest double as written", "de_DE", QStringLiteral("-1,79769313486232e+308"),
        -std::numeric_limits<double>::max());
    row("beyond the largest double as written", "C", QStringLiteral("1.79769313486233e308"),
        refused);
    row("beyond a double", "C", QStringLiteral("1e400"), refused);
    row("below a double", "C", QStringLiteral("1e-400"), refused);
    row("hexadecimal", "C", QStringLiteral("0x10"), refused);
    row("digits of two scripts", "ar_EG",
        QStringLiteral("\u0661"
                       "2"),
        refused);
    row("mark inside the digits", "he_IL", QStringLiteral("1\u200E2"), refused);
    row("lone surrogate", "C", QString(QChar(0xD800)), refused);
}

// Both readers (text and UTF-8) take the same texts to the same numbers.
void TestLocaleNumbers::reading() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(double, value);
    const LocaleNumbers numbers(QLocale{locale});
    const std::optional<double> read = numbers.fromText(text);
    const std::optional<double> readUtf8 = numbers.fromUtf8(text.toStdString());
    if (std::isnan(value)) {
        QVERIFY(!read);
        QVERIFY(!readUtf8);
    } else {
        QVERIFY(read);
        QCOMPARE(*read, value);
        QVERIFY(readUtf8);
        QCOMPARE(*readUtf8, value);
    }
}

QTEST_GUILESS_MAIN(TestLocaleNumbers)
#include "tst_locale_numbers.moc"
