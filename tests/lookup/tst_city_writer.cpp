// Writing the city database: it replaces an older one only when complete.
#include "app/runtime_error.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"
#include "lookup_fixture.h"

#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace amb;
using namespace amb::test;

class TestCityWriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void replacesAnOlderDatabase();
    void missingOutputFolder();
    void temporaryFileOfAnEarlierImport_data();
    void temporaryFileOfAnEarlierImport();
    void fullDiskNamesTheDatabase();

private:
    QTemporaryDir dir_;
    QString csvDb_;
};

void TestCityWriter::initTestCase() {
    QVERIFY(dir_.isValid());
    csvDb_ = dir_.filePath(QStringLiteral("csv.sqlite"));
    importCsv(testDataPath(QStringLiteral("cities.csv")), csvDb_);
}

void TestCityWriter::replacesAnOlderDatabase() {
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    QFile::copy(csvDb_, output);
    importGeoNames(fixtureSources(), output);
    QVERIFY(stored(output, QStringLiteral("Zürich")).found);
    QVERIFY(!stored(output, QStringLiteral("Lonely Place")).found);
}

void TestCityWriter::missingOutputFolder() {
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("no/such/folder/dbCities.sqlite"));
    try {
        importCsv(testDataPath(QStringLiteral("cities.csv")), output);
        QFAIL("the import should fail");
    } catch (const RunTimeError& e) {
        QVERIFY2(e.description().contains(QLatin1String("does not exist")),
                 qPrintable(e.description()));
    }
}

void TestCityWriter::temporaryFileOfAnEarlierImport_data() {
    QTest::addColumn<bool>("held"); // by an import still running
    QTest::addColumn<bool>("kept");
    QTest::newRow("left by a killed import") << false << false;
    QTest::newRow("of an import still running") << true << true;
}

void TestCityWriter::temporaryFileOfAnEarlierImport() {
    QFETCH(bool, held);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    const QString left = dir.filePath(QStringLiteral(".dbCities.sqlite.Ab12Cd.tmp"));
    const QString other = dir.filePath(QStringLiteral(".other.sqlite.Ab12Cd.tmp"));
    writeFile(left, "half a database");
    writeFile(other, "another database's");
    const int fd = ::open(QFile::encodeName(left).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    if (held)
        QVERIFY(::flock(fd, LOCK_EX | LOCK_NB) == 0);
    importCsv(testDataPath(QStringLiteral("cities.csv")), output);
    ::close(fd);
    QCOMPARE(QFileInfo::exists(left), kept);
    QVERIFY(QFileInfo::exists(other));
    QVERIFY(stored(output, QStringLiteral("Zwolle")).found);
}

void TestCityWriter::fullDiskNamesTheDatabase() {
    // The file-size limit makes the disk "full" for this process only; raised a page
    // at a time, it fails every stage of the import in turn, up to the first success.
    const GeoNamesSources sources = tripFixtureSources();
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    const QString expected = QStringLiteral("The database %1 could not be written: ")
                                 .arg(QDir::toNativeSeparators(output));
    int failures = 0;
    for (rlim_t limit = 4096; !QFileInfo::exists(output); limit += 4096) {
        QVERIFY(limit < 4 * 1024 * 1024);
        QString description;
        {
            const FileSizeLimit sizeLimit(limit);
            try {
                importGeoNames(sources, output);
                continue;
            } catch (const RunTimeError& e) {
                description = e.description();
            }
        }
        ++failures;
        QVERIFY2(description.startsWith(expected) && !description.contains(QLatin1String(".tmp")),
                 qPrintable(QStringLiteral("%1 bytes: %2").arg(limit).arg(description)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    QVERIFY(failures > 1);
}

QTEST_GUILESS_MAIN(TestCityWriter)
#include "tst_city_writer.moc"
