// The quick ways of the distance run: rounding to cents away from a half cent, and
// reading plain decimal coordinates. Each must give what the exact way gives.
#include "app/locale_numbers.h"
#include "distance/zip_distance.h"

#include <QTest>
#include <bit>
#include <charconv>
#include <cmath>
#include <optional>
#include <random>
#include <string>

using namespace amb::modZipDistance;

namespace {

// The exact value rounded to two decimals, half to even, read back as a double.
double exactCents(double value) {
    char digits[400];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    double rounded = 0;
    std::from_chars(digits, written.ptr, rounded);
    return rounded + 0.0;
}

} // namespace

class TestQuickNumbers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void centsOfTheExactValue_data();
    void centsOfTheExactValue();
    void plainDecimalsReadExactly_data();
    void plainDecimalsReadExactly();
};

void TestQuickNumbers::centsOfTheExactValue_data() {
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<bool>("nearHalves"); // values a few units in the last place off a half cent
    QTest::newRow("legs in miles") << 0.0 << 12500.0 << false;
    QTest::newRow("below a cent") << 0.0 << 0.01 << false;
    QTest::newRow("half cents of legs") << 0.0 << 12500.0 << true;
    QTest::newRow("totals near the quick way's limit") << 999000.0 << 1001000.0 << true;
    QTest::newRow("long totals") << 1e6 << 1e12 << false;
}

void TestQuickNumbers::centsOfTheExactValue() {
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(bool, nearHalves);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> values(low, high);
    for (int i = 0; i < 50000; ++i) {
        double value = values(random);
        if (nearHalves) {
            value = (std::floor(value * 100) + 0.5) / 100;
            const int steps = static_cast<int>(random() % 7) - 3; // -3 .. 3
            for (int step = 0; step < std::abs(steps); ++step)
                value = std::nextafter(value, steps < 0 ? 0.0 : high);
        }
        const double expected = exactCents(value);
        if (std::bit_cast<quint64>(roundToCents(value)) != std::bit_cast<quint64>(expected))
            QFAIL(qPrintable(QStringLiteral("%1 rounds to %2, not %3")
                                 .arg(value, 0, 'g', 17)
                                 .arg(roundToCents(value), 0, 'g', 17)
                                 .arg(expected, 0, 'g', 17)));
    }
}

void TestQuickNumbers::plainDecimalsReadExactly_data() {
    QTest::addColumn<int>("digits"); // significant digits written
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("locale");
    QTest::newRow("gazetteer coordinates") << 7 << 5 << QStringLiteral("C");
    QTest::newRow("fifteen digits") << 15 << 12 << QStringLiteral("C");
    QTest::newRow("sixteen digits") << 16 << 13 << QStringLiteral("C");
    QTest::newRow("whole degrees") << 3 << 0 << QStringLiteral("C");
    QTest::newRow("decimal comma locale") << 9 << 6 << QStringLiteral("de_DE");
}

void TestQuickNumbers::plainDecimalsReadExactly() {
    QFETCH(int, digits);
    QFETCH(int, decimals);
    QFETCH(QString, locale);
    const amb::LocaleNumbers numbers{QLocale(locale)};
    std::mt19937_64 random(11);
    for (int i = 0; i < 50000; ++i) {
        std::string text = random() % 2 ? "-" : "";
        for (int d = 0; d < digits; ++d) {
            if (d == digits - decimals)
                text += d == 0 ? "0." : ".";
            text += static_cast<char>('0' + random() % 10);
        }
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const std::optional<double> read = numbers.fromUtf8(text);
        if (!read || std::bit_cast<quint64>(*read) != std::bit_cast<quint64>(expected))
            QFAIL(qPrintable(QStringLiteral("%1 reads as %2").arg(QString::fromStdString(text))
                                 .arg(read ? *read : -1, 0, 'g', 17)));
    }
}

QTEST_APPLESS_MAIN(TestQuickNumbers)
#include "tst_quick_numbers.moc"
