// Folding of city names, the prefix range and the statement built from a search text.
#include "lookup/city_database.h"
#include "lookup/city_fold.h"

#include <QTest>
#include <cmath>

using namespace amb;

class TestCityNames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fold_data();
    void fold();
    void upperBound_data();
    void upperBound();
    void statement_data();
    void statement();
    void rowText();
    void coordinates_data();
    void coordinates();
    void fastCoordinatesMatchTheLocale_data();
    void fastCoordinatesMatchTheLocale();
};

void TestCityNames::fold_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folded");
    const auto row = [](const char* tag, const char* name, const char* folded) {
        QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(folded);
    };
    row("plain ascii", "Fiorenzuola d'Arda", "fiorenzuola d'arda");
    row("umlaut", "Zürich", "zurich");
    row("upper umlaut", "ZÜRICH", "zurich");
    row("acute capital", "Évry", "evry");
    row("circumflex", "Île-de-France", "ile-de-france");
    row("oe ligature", "Vandœuvres", "vandoeuvres");
    row("OE ligature", "VANDŒUVRES", "vandoeuvres");
    row("ae ligature", "Ærøskøbing", "aeroskobing");
    row("sharp s", "Großenhain", "grossenhain");
    row("capital sharp s", "GROẞENHAIN", "grossenhain");
    row("stroke l", "Łódź", "lodz");
    row("stroke d", "Đakovo", "dakovo");
    row("eth and thorn", "Þórshöfn Ðe", "thorshofn de");
    row("dotless and dotted i", "Iğdır İstanbul", "igdir istanbul");
    row("typographic apostrophe", "Saint John’s", "saint john's");
    row("okina", "ʻEwa Beach", "'ewa beach");
    row("acute accent sign as apostrophe", "Qal´ah", "qal'ah");
    row("en dash", "Name – Other", "name - other");
    row("spaces kept", "  Zür  ", "  zur  ");
    row("tab kept", "\tZür", "\tzur");
    row("wildcards kept", "Z%r_ch", "z%r_ch");
    row("cyrillic lowered", "Москва", "москва");
    row("titlecase digraph", "ǅemal", "dzemal");
    row("fi ligature", "ﬁrenze", "firenze");
    row("empty", "", "");
}

void TestCityNames::fold() {
    QFETCH(QString, name);
    QFETCH(QString, folded);
    QCOMPARE(foldCityName(name), folded);
    // The importer folds stored names and the search folds the typed text: folding
    // twice must not change a name, or a CSV city column folded by its author would
    // stop matching.
    QCOMPARE(foldCityName(folded), folded);
}

void TestCityNames::upperBound_data() {
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("bound");
    QTest::newRow("letters") << QStringLiteral("fiore") << QStringLiteral("fiorf");
    QTest::newRow("trailing space") << QStringLiteral("san ") << QStringLiteral("san!");
    QTest::newRow("non-ascii") << QString::fromUtf8("моск") << QString::fromUtf8("мосл");
    QTest::newRow("before surrogates") << QString(QChar(0xD7FF)) << QString(QChar(0xE000));
    QTest::newRow("astral") << QString::fromUcs4(U"a\U0001F600")
                            << QString::fromUcs4(U"a\U0001F601");
    QTest::newRow("highest code point carries")
        << QString::fromUcs4(U"a\U0010FFFF") << QStringLiteral("b");
    QTest::newRow("nothing above") << QString::fromUcs4(U"\U0010FFFF") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestCityNames::upperBound() {
    QFETCH(QString, prefix);
    QFETCH(QString, bound);
    const QString result = prefixUpperBound(prefix);
    QCOMPARE(result.isNull(), bound.isNull());
    QCOMPARE(result, bound);
}

void TestCityNames::statement_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QVariantList>("values");
    QTest::newRow("prefix is a range")
        << QStringLiteral("Fiore") << QStringLiteral("city >= ? AND city < ?")
        << QVariantList{QStringLiteral("fiore"), QStringLiteral("fiorf")};
    QTest::newRow("apostrophe is only a value")
        << QStringLiteral("Montefiore dell'") << QStringLiteral("city >= ? AND city < ?")
        << QVariantList{QStringLiteral("montefiore dell'"), QStringLiteral("montefiore dell(")};
    QTest::newRow("leading space kept")
        << QStringLiteral(" fio") << QStringLiteral("city >= ? AND city < ?")
        << QVariantList{QStringLiteral(" fio"), QStringLiteral(" fip")};
    QTest::newRow("wildcard after a literal part")
        << QStringLiteral("Fi%RE") << QStringLiteral("city >= ? AND city < ? AND city LIKE ?")
        << QVariantList{QStringLiteral("fi"), QStringLiteral("fj"), QStringLiteral("fi%re%")};
    QTest::newRow("underscore first") << QStringLiteral("_ü") << QStringLiteral("city LIKE ?")
                                      << QVariantList{QStringLiteral("_u%")};
    QTest::newRow("percent alone") << QStringLiteral("%") << QStringLiteral("city LIKE ?")
                                   << QVariantList{QStringLiteral("%%")};
}

void TestCityNames::statement() {
    QFETCH(QString, text);
    QFETCH(QString, where);
    QFETCH(QVariantList, values);
    const CityStatement s = cityStatement(text);
    QCOMPARE(s.sql,
             QStringLiteral("SELECT AccentCity, Region, Latitude, Longitude FROM cities WHERE ") +
                 where);
    QCOMPARE(s.values, values);
    QVERIFY(!s.sql.contains(QLatin1Char('\'')));
}

void TestCityNames::rowText() {
    QCOMPARE(cityRowText(QStringLiteral("Fiorano"), QStringLiteral("Emilia-Romagna, Italy")),
             QStringLiteral("Fiorano - Emilia-Romagna, Italy"));
    QCOMPARE(cityRowText(QStringLiteral("Lonely"), QString()), QStringLiteral("Lonely - "));
}

void TestCityNames::coordinates_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QString>("text");
    QTest::newRow("C") << QStringLiteral("C") << 43.91001 << QStringLiteral("43.91001");
    QTest::newRow("C negative") << QStringLiteral("C") << -2.03985 << QStringLiteral("-2.03985");
    QTest::newRow("C whole") << QStringLiteral("C") << 8.0 << QStringLiteral("8");
    QTest::newRow("German comma") << QStringLiteral("de_DE") << 43.91001
                                  << QStringLiteral("43,91001");
    QTest::newRow("no group separator")
        << QStringLiteral("en_US") << -179.99999 << QStringLiteral("-179.99999");
    QTest::newRow("15 digits") << QStringLiteral("C") << 12.345678901234567
                               << QStringLiteral("12.3456789012346");
}

void TestCityNames::coordinates() {
    QFETCH(QString, locale);
    QFETCH(double, degrees);
    QFETCH(QString, text);
    const QLocale l(locale);
    QCOMPARE(coordinateText(degrees, l), text);
    // The distance run reads the text back with the same locale.
    bool ok = false;
    QLocale back(locale);
    back.setNumberOptions(QLocale::OmitGroupSeparator);
    QVERIFY(qAbs(back.toDouble(text, &ok) - degrees) < 1e-12);
    QVERIFY(ok);
}

// The search list writes coordinates without QLocale for speed; the text must be
// exactly what QLocale writes, or the distance run would read other numbers.
void TestCityNames::fastCoordinatesMatchTheLocale_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"C", "de_DE", "fr_FR", "sv_SE", "fa_IR", "ar_EG", "en_US"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestCityNames::fastCoordinatesMatchTheLocale() {
    QFETCH(QString, locale);
    QLocale reference(locale);
    reference.setNumberOptions(QLocale::OmitGroupSeparator);
    const CoordinateFormat format{QLocale(locale)};
    std::vector<double> values = {0.0,
                                  -0.0,
                                  180,
                                  -180,
                                  90,
                                  -90,
                                  0.00001,
                                  -0.0001,
                                  1e-7,
                                  12.5,
                                  -61.84329,
                                  8.55,
                                  100000,
                                  1234567.25,
                                  0.1 + 0.2,
                                  47.366670000000006,
                                  123456789012345678.0};
    quint32 seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double unit = static_cast<double>(seed) / 4294967296.0;
        values.push_back(i % 2 ? (unit * 360 - 180) : std::round((unit * 180 - 90) * 1e5) / 1e5);
    }
    for (const double v : values)
        QCOMPARE(format.text(v), reference.toString(v, 'g', 15));
}

QTEST_APPLESS_MAIN(TestCityNames)
#include "tst_city_names.moc"
