// The search commands and the city query as the user drives them in the window.
#include "app/main_module.h"
#include "lookup/city_database.h"
#include "lookup_fixture.h"

#include <QSignalSpy>
#include <sqlite3.h>

using namespace amb;
using namespace amb::test;

namespace {

const QString kReportTitle = QStringLiteral("Application Error");

// Everything the progress bar was told, in order: numbers for values, texts quoted.
struct BarRecorder {
    QStringList events;
    explicit BarRecorder(ProgressBar* bar) {
        QObject::connect(bar, &ProgressBar::valueSet, bar,
                         [this](double v) { events << QString::number(v); });
        QObject::connect(bar, &ProgressBar::textSet, bar, [this](const QString& t) {
            events << QLatin1Char('"') + t + QLatin1Char('"');
        });
    }
};

QStringList listTexts(const ListView& list) {
    QStringList texts;
    for (int i = 1; i <= list.count(); ++i)
        texts << list.text(i);
    return texts;
}

const QStringList kIdle = {QStringLiteral("0"), QStringLiteral("\"Progress Bar\"")};

} // namespace

class TestCitySearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void progressValues_data();
    void progressValues();
    void noMatch();
    void blankSearchBox_data();
    void blankSearchBox();
    void tabIsNotBlank();
    void matching_data();
    void matching();
    void caseAndAccentAreFolded();
    void emptyRegion();
    void ordering();
    void orderInCollations_data();
    void orderInCollations();
    void failures_data();
    void failures();
    void lockedDatabase();
    void exampleYes();
    void exampleNo();
    void enterRunsTheSearch_data();
    void enterRunsTheSearch();

private:
    void install(TestWindow& w, const QString& database);
    QTemporaryDir dir_;
    QString geonamesDb_;
    QString csvDb_;
};

void TestCitySearch::initTestCase() {
    QVERIFY(dir_.isValid());
    geonamesDb_ = dir_.filePath(QStringLiteral("geonames.sqlite"));
    csvDb_ = dir_.filePath(QStringLiteral("csv.sqlite"));
    importGeoNames(fixtureSources(), geonamesDb_);
    importCsv(testDataPath(QStringLiteral("cities.csv")), csvDb_);
}

void TestCitySearch::install(TestWindow& w, const QString& database) {
    if (w.form->ListView1->columnCount() == 0) // loaded once, as at start-up
        w.load();
    const QString target = w.folder.filePath(kCityDatabaseFileName);
    QFile::remove(target);
    if (!database.isEmpty())
        QVERIFY(QFile::copy(database, target));
}

void TestCitySearch::progressValues_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("bar");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("one match") << QStringLiteral("Montefiore d")
                               << (QStringList{QStringLiteral("100")} + kIdle)
                               << QStringList{
                                      QStringLiteral("Montefiore dell'Aso - The Marches, Italy")};
    QTest::newRow("three matches")
        << QStringLiteral("montefiore")
        << (QStringList{QStringLiteral("33"), QStringLiteral("66"), QStringLiteral("100")} + kIdle)
        << QStringList{QStringLiteral("Montefiore Conca - Emilia-Romagna, Italy"),
                       QStringLiteral("Montefiore dell'Aso - The Marches, Italy"),
                       QStringLiteral("Montefiores - New South Wales, Australia")};
}

void TestCitySearch::progressValues() {
    QFETCH(QString, text);
    QFETCH(QStringList, rows);
    TestWindow w;
    install(w, geonamesDb_);
    BarRecorder bar(w.form->ProgressBar1);
    w.form->Text1->setText(text);
    w.form->PushButton7_Click();
    QTEST(bar.events, "bar");
    QCOMPARE(listTexts(*w.form->ListView1), rows);
    QCOMPARE(w.platform.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
    QVERIFY(w.platform.boxes.empty());
}

void TestCitySearch::noMatch() {
    TestWindow w;
    install(w, geonamesDb_);
    addRow(*w.form->ListView1, QStringLiteral("Earlier - Result"), QStringLiteral("1"),
           QStringLiteral("2"));
    BarRecorder bar(w.form->ProgressBar1);
    w.form->Text1->setText(QStringLiteral("qqqq"));
    w.form->PushButton7_Click();
    QCOMPARE(w.form->ListView1->count(), 0);
    QCOMPARE(bar.events, kIdle);
    QCOMPARE(w.platform.pointer, pointer::Default);
    QVERIFY(w.platform.boxes.empty());
}

void TestCitySearch::blankSearchBox_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("spaces only") << QStringLiteral("   ");
}

void TestCitySearch::blankSearchBox() {
    QFETCH(QString, text);
    TestWindow w;
    install(w, geonamesDb_);
    addRow(*w.form->ListView1, QStringLiteral("Earlier - Result"));
    w.form->Text1->setText(text);
    w.form->PushButton7_Click();
    QCOMPARE(w.platform.boxes.size(), size_t(1));
    QCOMPARE(w.platform.boxes[0].text, QStringLiteral("You forgot to input city to search."));
    QCOMPARE(w.platform.boxes[0].title, applicationTitle());
    QCOMPARE(w.platform.boxes[0].style, mb::OkOnly);
    QCOMPARE(listTexts(*w.form->ListView1), QStringList{QStringLiteral("Earlier - Result")});
    QVERIFY(w.platform.pointerHistory.empty());
}

// Only spaces are blank: a tab passes the check and runs a query that finds nothing.
void TestCitySearch::tabIsNotBlank() {
    TestWindow w;
    install(w, geonamesDb_);
    addRow(*w.form->ListView1, QStringLiteral("Earlier - Result"));
    w.form->Text1->setText(QStringLiteral("\t"));
    w.form->PushButton7_Click();
    QVERIFY(w.platform.boxes.empty());
    QCOMPARE(w.form->ListView1->count(), 0);
}

void TestCitySearch::matching_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("rows");
    const QString geo = QStringLiteral("geonames");
    const QString csv = QStringLiteral("csv");
    const auto list = [](std::initializer_list<const char*> texts) {
        QStringList l;
        for (const char* t : texts)
            l << QString::fromUtf8(t);
        return l;
    };
    const QStringList evry = list({"Évry - Île-de-France, France", "Evrýchou - Nicosia, Cyprus"});
    QTest::newRow("lower case, no accent") << geo << QStringLiteral("evry") << evry;
    QTest::newRow("capitals with accent") << geo << QStringLiteral("ÉVRY") << evry;
    QTest::newRow("accent on a capital of another name")
        << geo << QStringLiteral("ÉTAMPES")
        << list({"Étampes - Île-de-France, France", "Étampes-sur-Marne - Hauts-de-France, France"});
    QTest::newRow("ligature typed out")
        << geo << QStringLiteral("VANDOEUVRE")
        << list({"Vandœuvre-lès-Nancy - Grand Est, France", "Vandœuvres - Geneva, Switzerland"});
    QTest::newRow("ligature typed")
        << geo << QStringLiteral("vandœuvres") << list({"Vandœuvres - Geneva, Switzerland"});
    QTest::newRow("plain apostrophe finds the typographic one")
        << geo << QStringLiteral("saint john's")
#ifdef Q_OS_WIN // Windows' collation sorts words as if their apostrophes were not there
        << list({"Saint John’s - Saint John Parish, Antigua and Barbuda",
                 "Saint John's Village - Saint Peter, Montserrat"});
#else
        << list({"Saint John's Village - Saint Peter, Montserrat",
                 "Saint John’s - Saint John Parish, Antigua and Barbuda"});
#endif
    QTest::newRow("apostrophe ends the text") << geo << QStringLiteral("Montefiore dell'")
                                              << list({"Montefiore dell'Aso - The Marches, Italy"});
    QTest::newRow("underscore is any one character")
        << geo << QStringLiteral("fior_n")
        << list({"Fiorano - Emilia-Romagna, Italy", "Fiorano al Serio - Lombardy, Italy",
                 "Fiorano Canavese - Piedmont, Italy", "Fiorentino - Fiorentino, San Marino",
                 "Fiorenzuola d'Arda - Emilia-Romagna, Italy", "Fiorino - Tuscany, Italy"});
    QTest::newRow("percent is any text")
        << geo << QStringLiteral("%ntino") << list({"Fiorentino - Fiorentino, San Marino"});
    QTest::newRow("trailing space is part of the prefix")
        << geo << QStringLiteral("fiore ") << QStringList();
    QTest::newRow("leading space finds only names with one")
        << csv << QStringLiteral(" space") << list({" Space Town - Nowhere"});
    QTest::newRow("without the leading space") << csv << QStringLiteral("space") << QStringList();
    // Texts that fold to nothing find nothing, not every city.
    QTest::newRow("combining accent alone") << geo << QStringLiteral("\u0301") << QStringList();
    QTest::newRow("variation selector alone") << geo << QStringLiteral("\uFE0F") << QStringList();
}

void TestCitySearch::matching() {
    QFETCH(QString, database);
    QFETCH(QString, text);
    TestWindow w;
    install(w, database == QLatin1String("csv") ? csvDb_ : geonamesDb_);
    w.form->Text1->setText(text);
    w.form->PushButton7_Click();
    QVERIFY2(w.platform.boxes.empty(), qPrintable(w.platform.boxTexts().join(QLatin1Char('\n'))));
    QTEST(listTexts(*w.form->ListView1), "rows");
}

// Case and accents do not matter: "zur", "Zür" and "ZUR" list the same cities.
void TestCitySearch::caseAndAccentAreFolded() {
    QStringList first;
    for (const QString& text :
         {QStringLiteral("zur"), QStringLiteral("Zür"), QStringLiteral("ZUR")}) {
        TestWindow w;
        install(w, geonamesDb_);
        w.form->Text1->setText(text);
        w.form->PushButton7_Click();
        ListView& list = *w.form->ListView1;
        QCOMPARE(list.count(), 54);
        QCOMPARE(list.text(1), QStringLiteral("Zürich - Zurich, Switzerland"));
        QCOMPARE(list.subItem(1, 1), QStringLiteral("47.36667"));
        QCOMPARE(list.subItem(1, 2), QStringLiteral("8.55"));
        if (first.isEmpty())
            first = listTexts(list);
        QCOMPARE(listTexts(list), first);
    }
}

void TestCitySearch::emptyRegion() {
    TestWindow w;
    install(w, csvDb_);
    w.form->Text1->setText(QStringLiteral("lonely"));
    w.form->PushButton7_Click();
    QCOMPARE(listTexts(*w.form->ListView1), QStringList{QStringLiteral("Lonely Place - ")});

    // A database of someone else's making may hold no region at all (NULL).
    const QString path = w.folder.filePath(kCityDatabaseFileName);
    execOn(path,
           {QStringLiteral("INSERT INTO cities VALUES ('lonely too', 'Lonely Too', NULL, 1, 2)")});
    w.form->PushButton7_Click();
    QCOMPARE(listTexts(*w.form->ListView1),
             (QStringList{QStringLiteral("Lonely Place - "), QStringLiteral("Lonely Too - ")}));
    QVERIFY(w.platform.boxes.empty());
}

// Rows follow the reader's alphabet, not the byte order of the names: É and Ä
// stand with E and A, and lower case does not go behind Z.
void TestCitySearch::ordering() {
    TestWindow w;
    install(w, csvDb_);
    w.form->Text1->setText(QStringLiteral("%"));
    w.form->PushButton7_Click();
    QCOMPARE(listTexts(*w.form->ListView1),
             (QStringList{
                 QStringLiteral(" Space Town - Nowhere"), QStringLiteral("apple - Somewhere"),
                 QStringLiteral("Ävja - Somewhere"), QStringLiteral("Eagle - Somewhere"),
                 QStringLiteral("Évry - Île-de-France, France"), QStringLiteral("Ezra - Somewhere"),
                 QStringLiteral("Lonely Place - "), QStringLiteral("Quoted, Name - Region \"Q\""),
                 QStringLiteral("Zwolle - Overijssel, Netherlands")}));

    // Equal names are ordered by their region.
    install(w, geonamesDb_);
    w.form->Text1->setText(QStringLiteral("springfield"));
    w.form->PushButton7_Click();
    QCOMPARE(listTexts(*w.form->ListView1),
             (QStringList{QStringLiteral("Springfield - Florida, United States"),
                          QStringLiteral("Springfield - Queensland, Australia"),
                          QStringLiteral("Springfield - Scotland, United Kingdom"),
                          QStringLiteral("Springfield - South Australia, Australia")}));
}

// The list's order for a mixed-alphabet gazetteer in three collations, whether
// the database holds its rows in that order already or in the reverse one.
void TestCitySearch::orderInCollations_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("reversed");
    QTest::addColumn<QString>("rows");
    const QString english = QStringLiteral(
        "Aachen|North Rhine-Westphalia, Ängelholm|Skåne, Århus|Central Jutland, Eagle|Idaho, "
        "Évry|Île-de-France, Łódź|Łódź Voivodeship, Lund|Östergötland, Lund|Skåne, "
        "Örebro|Örebro, Oslo|Oslo, Vaasa|Ostrobothnia, Wien|Vienna, Ystad|Skåne, "
        "Zagreb|Grad Zagreb, Zürich|Zurich, Αθήνα|Attica, Москва|Moscow, 東京|Tokyo");
    const QString swedish = QStringLiteral(
        "Aachen|North Rhine-Westphalia, Eagle|Idaho, Évry|Île-de-France, Łódź|Łódź Voivodeship, "
        "Lund|Skåne, Lund|Östergötland, Oslo|Oslo, Vaasa|Ostrobothnia, Wien|Vienna, "
        "Ystad|Skåne, Zagreb|Grad Zagreb, Zürich|Zurich, Århus|Central Jutland, "
        "Ängelholm|Skåne, Örebro|Örebro, Αθήνα|Attica, Москва|Moscow, 東京|Tokyo");
    for (const bool reversed : {false, true}) {
        const char* stored = reversed ? "reversed" : "as imported";
        QTest::addRow("C, %s", stored) << QStringLiteral("C") << reversed << english;
        QTest::addRow("German, %s", stored) << QStringLiteral("de_DE") << reversed << english;
        QTest::addRow("Swedish, %s", stored) << QStringLiteral("sv_SE") << reversed << swedish;
    }
}

void TestCitySearch::orderInCollations() {
    QFETCH(QString, locale);
    QFETCH(bool, reversed);
    QFETCH(QString, rows);
    const QString csv = dir_.filePath(QStringLiteral("alphabets.csv"));
    const QString database = dir_.filePath(QStringLiteral("alphabets.sqlite"));
    QByteArray text = "city,AccentCity,Region,Latitude,Longitude\n";
    const QStringList expected = rows.split(QStringLiteral(", "));
    for (qsizetype i = expected.size() - 1; i >= 0; --i) { // not in order
        const QStringList parts = expected.at(i).split(QLatin1Char('|'));
        text += "," + parts[0].toUtf8() + "," + parts[1].toUtf8() + ",1.5,-2.25\n";
    }
    writeFile(csv, text);
    importCsv(csv, database);
    if (reversed)
        execOn(database,
               {QStringLiteral("CREATE TABLE r AS SELECT * FROM cities ORDER BY rowid DESC"),
                QStringLiteral("DELETE FROM cities"),
                QStringLiteral("INSERT INTO cities SELECT * FROM r ORDER BY rowid"),
                QStringLiteral("DROP TABLE r")});
    QStringList found;
    for (const CityRow& row : findCityRows(database, QStringLiteral("%"), QLocale(locale))) {
        QCOMPARE(row.latitude().toString() + QLatin1Char('|') + row.longitude().toString(),
                 QLocale(locale).toString(1.5) + QLatin1Char('|') +
                     QLocale(locale).toString(-2.25));
        found << row.text().toString().replace(QStringLiteral(" - "), QStringLiteral("|"));
    }
    QCOMPARE(found, expected);
}

void TestCitySearch::failures_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no database file at all
    QTest::addColumn<QStringList>("description");
    QTest::newRow("missing") << QByteArray()
                             << QStringList{QStringLiteral("was not found"),
                                            QStringLiteral("scripts/build-database.sh"),
                                            QStringLiteral("ambrevale-cli import")};
    QTest::newRow("not a database")
        << QByteArray("This is a text file, not a database.\n").repeated(200)
        << QStringList{QStringLiteral("is not a city database"), QStringLiteral("Rebuild it")};
    QTest::newRow("no cities table") << QByteArray("sqlite")
                                     << QStringList{QStringLiteral("without the table \"cities\""),
                                                    QStringLiteral("Rebuild it")};
}

// A failing query is reported by the search command at the line of the call,
// after the list was cleared; the pointer and the bar are set back.
void TestCitySearch::failures() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, description);
    TestWindow w;
    install(w, QString());
    const QString path = w.folder.filePath(kCityDatabaseFileName);
    if (content == "sqlite")
        execOn(path, {QStringLiteral("CREATE TABLE towns (name TEXT)")});
    else if (!content.isEmpty())
        writeFile(path, content);
    addRow(*w.form->ListView1, QStringLiteral("Earlier - Result"));
    BarRecorder bar(w.form->ProgressBar1);
    w.form->Text1->setText(QStringLiteral("fiore"));
    w.form->PushButton7_Click();

    const QStringList reports = w.platform.reports();
    QCOMPARE(reports.size(), 1);
    QCOMPARE(w.platform.boxes.size(), size_t(1));
    QVERIFY(reports[0].contains(
        QStringLiteral("in Kestrune2021/08/31.Form1.PushButton7_Click at line 102\r\r")));
    QVERIFY2(reports[0].contains(QDir::toNativeSeparators(path)), qPrintable(reports[0]));
    for (const QString& part : description)
        QVERIFY2(reports[0].contains(part), qPrintable(reports[0]));
    QCOMPARE(w.form->ListView1->count(), 0);
    QCOMPARE(w.platform.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
    QCOMPARE(bar.events, kIdle);
}

void TestCitySearch::lockedDatabase() {
    TestWindow w;
    install(w, geonamesDb_);
    const QString path = w.folder.filePath(kCityDatabaseFileName);
    sqlite3* writer = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &writer), SQLITE_OK);
    QCOMPARE(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    w.form->Text1->setText(QStringLiteral("fiore"));
    w.form->PushButton7_Click();
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);

    const QStringList reports = w.platform.reports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains(QStringLiteral("is locked by another program")),
             qPrintable(reports[0]));
    QVERIFY(reports[0].contains(QStringLiteral("Form1.PushButton7_Click at line 102")));
    QCOMPARE(w.platform.pointer, pointer::Default);

    // Once the writer is done, the same search works.
    w.form->PushButton7_Click();
    QCOMPARE(w.form->ListView1->count(), 2);
}

void TestCitySearch::exampleYes() {
    TestWindow w;
    install(w, geonamesDb_);
    w.form->Text1->setText(QStringLiteral("zur"));
    w.platform.answers = {mb::AnswerYes};
    QString textWhenEventsRan;
    w.platform.onDoEvents = [&](int) { textWhenEventsRan = w.form->Text1->text(); };
    w.form->PushButton8_Click();

    QCOMPARE(w.platform.boxes.size(), size_t(1));
    QCOMPARE(
        w.platform.boxes[0].text,
        QStringLiteral(
            "Enter any major city in the world here\r\n\r\nWould you like to see an example?"));
    QCOMPARE(w.platform.boxes[0].title, applicationTitle());
    QCOMPARE(w.platform.boxes[0].style, mb::YesNo);
    QCOMPARE(w.platform.doEventsCalls, 1);
    QCOMPARE(textWhenEventsRan, QStringLiteral("fiore"));
    QCOMPARE(w.form->Text1->text(), QStringLiteral("fiore"));
    QCOMPARE(listTexts(*w.form->ListView1),
             (QStringList{QStringLiteral("Fiorentino - Fiorentino, San Marino"),
                          QStringLiteral("Fiorenzuola d'Arda - Emilia-Romagna, Italy")}));
}

void TestCitySearch::exampleNo() {
    TestWindow w;
    install(w, geonamesDb_);
    w.form->Text1->setText(QStringLiteral("zur"));
    addRow(*w.form->ListView1, QStringLiteral("Earlier - Result"));
    w.platform.answers = {mb::AnswerNo};
    w.form->PushButton8_Click();
    QCOMPARE(w.platform.boxes.size(), size_t(1));
    QCOMPARE(w.form->Text1->text(), QStringLiteral("zur"));
    QCOMPARE(listTexts(*w.form->ListView1), QStringList{QStringLiteral("Earlier - Result")});
    QCOMPARE(w.platform.doEventsCalls, 0);
    QVERIFY(w.platform.pointerHistory.empty());
}

// Enter in the search box, "1. Search" and the example all end in the same query.
void TestCitySearch::enterRunsTheSearch_data() {
    // Command1 is the window's default button: Enter searches from every control that
    // is not a push button (a focused push button takes Enter for itself).
    QTest::addColumn<QString>("focus");
    QTest::newRow("search box") << QStringLiteral("Text1");
    QTest::newRow("search list") << QStringLiteral("ListView1");
    QTest::newRow("results list") << QStringLiteral("ListView2");
    QTest::newRow("the default button itself") << QStringLiteral("Command1");
}

void TestCitySearch::enterRunsTheSearch() {
    QFETCH(QString, focus);
    TestWindow w;
    install(w, geonamesDb_);
    auto* target = w.form->findChild<QWidget*>(focus);
    QVERIFY(target);
    w.form->Text1->setText(QStringLiteral("montefiore"));
    QSignalSpy clicks(w.form->Command1, &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key_Return);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(w.form->ListView1->count(), 3);

    // With no database, Enter and the example each report under the search command.
    install(w, QString());
    QTest::keyClick(target, Qt::Key_Return);
    w.platform.answers = {mb::AnswerYes};
    w.form->PushButton8_Click();
    const QStringList reports = w.platform.reports();
    QCOMPARE(reports.size(), 2);
    for (const QString& report : reports)
        QVERIFY(report.contains(QStringLiteral("Form1.PushButton7_Click at line 102")));
}

QTEST_MAIN(TestCitySearch)
#include "tst_city_search.moc"
