#include "fuzz_support.h"

#include "app/locale_numbers.h"
#include "app/runtime_error.h"
#include "lookup/sqlite_database.h"

#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace fuzz {

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// 0: Qt Core, 1: a GUI application, 2: a widgets one.
void startApplication(int kind) {
    // Made once and never destroyed: at exit Qt's own globals may already be gone.
    static QCoreApplication* app = nullptr;
    if (app)
        return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler(quiet);
    if (kind > 0)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (kind == 2)
        app = new QApplication(argc, argv);
    else if (kind == 1)
        app = new QGuiApplication(argc, argv);
    else
        app = new QCoreApplication(argc, argv);
}

} // namespace

void startQt(bool gui) {
    startApplication(gui ? 1 : 0);
}

void startWidgets() {
    startApplication(2);
}

const QLocale& testLocale(uint8_t choice) {
    static const std::vector<QLocale> locales = [] {
        std::vector<QLocale> made;
        for (const char* name : kLocaleNames)
            made.emplace_back(QString::fromLatin1(name));
        return made;
    }();
    return locales[choice % kLocaleCount];
}

const amb::LocaleNumbers& testNumbers(uint8_t choice) {
    static std::optional<amb::LocaleNumbers> numbers[kLocaleCount];
    std::optional<amb::LocaleNumbers>& made = numbers[choice % kLocaleCount];
    if (!made)
        made.emplace(testLocale(choice));
    return *made;
}

const QString& scratchFolder() {
    static const auto folder = [] {
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm")
                                 : QDir::tempPath();
        auto dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/ambrevale-fuzz-XXXXXX"));
        if (!dir->isValid())
            std::abort();
        return dir;
    }();
    static const QString path = folder->path();
    return path;
}

CaughtOutput::CaughtOutput(int fd) : fd_(fd), file_(::memfd_create("caught-output", 0)) {
    if (file_ < 0)
        std::abort();
}

std::string CaughtOutput::of(const std::function<void()>& run) {
    if (::ftruncate(file_, 0) != 0 || ::lseek(file_, 0, SEEK_SET) != 0)
        std::abort();
    std::fflush(nullptr);
    const int saved = ::dup(fd_);
    ::dup2(file_, fd_);
    run();
    std::fflush(nullptr);
    ::dup2(saved, fd_);
    ::close(saved);
    std::string out(static_cast<size_t>(::lseek(file_, 0, SEEK_CUR)), '\0');
    if (::pread(file_, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size()))
        std::abort();
    return out;
}

amb::GeoNamesSources tripFixture() {
    return {QStringLiteral(AMBREVALE_TEST_DATA "/geonames-trip.txt"),
            QStringLiteral(AMBREVALE_TEST_DATA "/geonames-admin1.json"),
            QStringLiteral(AMBREVALE_TEST_DATA "/iso_3166-1.json")};
}

void importIntoMemory(
    const std::function<qint64(amb::importing::CityTableWriter& writer)>& import) {
    // Never destroyed, like the application: the fuzzer exits without unwinding.
    static amb::SqliteDatabase* const database = [] {
        auto* db = new amb::SqliteDatabase(QStringLiteral(":memory:"), amb::SqliteDatabase::Create);
        db->exec("PRAGMA temp_store = MEMORY");
        amb::importing::CityTableWriter::createScratchTables(*db);
        return db;
    }();
    database->exec("BEGIN");
    try {
        qint64 cities = 0;
        {
            amb::importing::CityTableWriter writer(*database, {});
            cities = import(writer);
            writer.finish();
        }
        amb::SqliteStatement count(*database, "SELECT count(*) FROM cities");
        if (!count.next() || count.integer(0) != cities)
            std::abort(); // the database holds other cities than the import reports
    } catch (const amb::RunTimeError&) {
    }
    database->exec("ROLLBACK");
}

} // namespace fuzz
