#include "fuzz_support.h"

#include "app/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace fuzz {

namespace {
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}
} // namespace

void startQt(bool gui) {
    // Made once and never destroyed: at exit Qt's own globals may already be gone.
    static QCoreApplication* app = nullptr;
    if (app)
        return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    qInstallMessageHandler(quiet);
    if (gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new QGuiApplication(argc, argv);
    } else {
        app = new QCoreApplication(argc, argv);
    }
}

QLocale testLocale(uint8_t choice) {
    return QLocale(QString::fromLatin1(kLocaleNames[choice % kLocaleCount]));
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

QString writeScratchFile(const QString& name, std::string_view bytes) {
    const QString path = scratchFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
        std::abort();
    return path;
}

amb::GeoNamesSources tripFixture() {
    return {QStringLiteral(AMBREVALE_TEST_DATA "/geonames-trip.txt"),
            QStringLiteral(AMBREVALE_TEST_DATA "/geonames-admin1.json"),
            QStringLiteral(AMBREVALE_TEST_DATA "/iso_3166-1.json")};
}

void importIntoScratch(const std::function<void(const QString& database)>& import) {
    const QString database = scratchFolder() + QStringLiteral("/cities.sqlite");
    try {
        import(database);
    } catch (const amb::RunTimeError&) {
        if (QFile::exists(database))
            std::abort(); // a failed import left a database
    }
    QFile::remove(database);
}

} // namespace fuzz
