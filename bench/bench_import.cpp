// The importer and the search at gazetteer scale: builds a synthetic GeoNames
// file (13,000,000 rows by default, names of realistic length in Latin, Cyrillic,
// Greek, Arabic and CJK letters), imports it with ambrevale-cli, and prints the
// import time, the importer's peak memory, the database size, and the search
// times for "fiore" and "san" with the query plan. All files go to a temporary
// folder that is removed at the end. It needs about 6 GB of free disk space and
// takes minutes, so scripts/bench.sh runs it only when asked (--gazetteer).
//
// Usage: bench_import [ROWS]
#include "bench_support.h"
#include "lookup/city_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace amb;
using bench::ms;

namespace {

// Syllables of place names in several scripts, in UTF-8.
const std::vector<std::vector<std::string>> kSyllables = {
    {"san", "ta",  "ma",   "ri",   "no", "vil", "la",  "ber", "go",   "mon",
     "te",  "ro",  "ca",   "stel", "lo", "re",  "bad", "en",  "burg", "dorf",
     "ham", "ton", "ford", "é",    "ñi", "ço",  "ür",  "øy"},
    {"мо", "ск", "ва", "но", "во", "го", "род", "ки", "ев", "ка", "ль", "ск", "ая", "пе", "тер"},
    {"αθ", "ή", "να", "πό", "λη", "σ", "κο", "ρί", "νθ", "ος", "θε", "σ", "σα", "λο", "νί", "κη"},
    {"ال", "قا", "هر", "ة", "بغ", "دا", "د", "مر", "كز", "حي", "ري", "اض", "جد", "ة"},
    {"東", "京", "大", "阪", "山", "川", "村", "町", "新", "宿", "北", "南", "上", "海", "田"}};

struct Generator {
    std::mt19937_64 random{20261208};

    std::string name(std::string_view& ascii) {
        // Mostly Latin, as the real gazetteer.
        const int script = std::uniform_int_distribution<int>(0, 99)(random) < 80
                               ? 0
                               : std::uniform_int_distribution<int>(1, 4)(random);
        const auto& syllables = kSyllables[static_cast<size_t>(script)];
        std::uniform_int_distribution<size_t> pick(0, syllables.size() - 1);
        const int words = std::uniform_int_distribution<int>(0, 9)(random) < 7 ? 1 : 2;
        std::string text;
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                text += ' ';
            const int count = std::uniform_int_distribution<int>(2, 5)(random);
            for (int i = 0; i < count; ++i)
                text += syllables[pick(random)];
        }
        if (script == 0 && !text.empty() && text[0] >= 'a' && text[0] <= 'z')
            text[0] = static_cast<char>(text[0] - 'a' + 'A');
        ascii = script == 0 ? std::string_view(text) : std::string_view();
        return text;
    }
};

// Writes `rows` GeoNames lines; returns false when the file cannot be written.
bool writeGazetteer(const QString& path, long rows, const std::vector<std::string>& regions) {
    std::FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        return false;
    Generator g;
    std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-179.9, 179.9);
    std::uniform_int_distribution<size_t> region(0, regions.size() - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::string line;
    for (long i = 0; i < rows; ++i) {
        std::string_view ascii;
        std::string name;
        if (i % 60000 == 17)
            name = "Fiore" + std::to_string(i); // about 200 "fiore" cities
        else if (percent(g.random) == 0)
            name = "San " + g.name(ascii); // about 1 % begin with "San "
        else
            name = g.name(ascii);
        const std::string asciiName = ascii.empty() ? std::string() : std::string(ascii);
        std::string alternates;
        if (percent(g.random) < 25) {
            const int count = std::uniform_int_distribution<int>(1, 4)(g.random);
            for (int k = 0; k < count; ++k) {
                std::string_view unused;
                if (k > 0)
                    alternates += ',';
                alternates += g.name(unused);
            }
        }
        const std::string& code = regions[region(g.random)]; // "IT.16"
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, "%.5f\t%.5f", lat(g.random), lon(g.random));
        line.clear();
        line += std::to_string(1000000 + i);
        line += '\t';
        line += name;
        line += '\t';
        line += asciiName;
        line += '\t';
        line += alternates;
        line += '\t';
        line += numbers;
        line += "\tP\tPPL\t";
        line += code.substr(0, 2);
        line += "\t\t";
        line += code.substr(3);
        line += "\t\t\t\t";
        line += std::to_string(percent(g.random) * 37);
        line += "\t\t123\tEurope/Rome\t2024-01-01\n";
        if (std::fwrite(line.data(), 1, line.size(), out) != line.size()) {
            std::fclose(out);
            return false;
        }
    }
    return std::fclose(out) == 0;
}

QString queryPlan(const QString& path, const QString& text) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const CityStatement s = cityStatement(text);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, (QStringLiteral("EXPLAIN QUERY PLAN ") + s.sql).toUtf8().constData(), -1,
                       &stmt, nullptr);
    for (int i = 0; i < s.values.size(); ++i) {
        const QByteArray v = s.values.at(i).toString().toUtf8();
        sqlite3_bind_text(stmt, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    QString plan;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        plan += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) +
                QLatin1Char(' ');
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return plan.trimmed();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const long rows = args.size() > 1 ? args.at(1).toLong() : 13000000L;
    const QString cli = QStringLiteral(AMBREVALE_PROGRAM_DIR "/ambrevale-cli");
    if (rows <= 0 || !QFileInfo::exists(cli)) {
        std::fprintf(stderr, "Usage: bench_import [ROWS] (needs %s)\n", qPrintable(cli));
        return 2;
    }
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/ambrevale-bench-XXXXXX"));
    const QStorageInfo disk(folder.path());
    const double neededGiB = 6.0 * static_cast<double>(rows) / 13e6;
    if (disk.bytesAvailable() / 1073741824.0 < neededGiB) {
        std::fprintf(stderr, "bench_import: %s has %.1f GiB free, %.1f GiB needed\n",
                     qPrintable(folder.path()), disk.bytesAvailable() / 1073741824.0, neededGiB);
        return 1;
    }

    // Regions: 20 per country of a few dozen countries; the region file names them.
    const char* countries[] = {"IT", "FR", "DE", "ES", "US", "RU", "GR", "EG", "SA", "CN", "JP",
                               "BR", "MX", "IN", "SE", "NO", "PL", "TR", "AR", "CA", "AU", "ZA"};
    std::vector<std::string> regions;
    QByteArray admin1 = "[";
    for (const char* country : countries)
        for (int r = 1; r <= 20; ++r) {
            char code[16];
            std::snprintf(code, sizeof code, "%s.%02d", country, r);
            regions.emplace_back(code);
            if (admin1.size() > 1)
                admin1 += ",\n";
            admin1 += QByteArray("{\"code\":\"") + code + "\",\"name\":\"Region " + code + "\"}";
        }
    admin1 += "]\n";
    const QString admin1Path = folder.filePath(QStringLiteral("admin1.json"));
    const QString gazetteer = folder.filePath(QStringLiteral("allCountries.txt"));
    const QString database = folder.filePath(QStringLiteral("dbCities.sqlite"));
    {
        QFile file(admin1Path);
        if (!file.open(QIODevice::WriteOnly) || file.write(admin1) != admin1.size())
            return 1;
    }
    QElapsedTimer timer;
    timer.start();
    if (!writeGazetteer(gazetteer, rows, regions)) {
        std::fprintf(stderr, "bench_import: cannot write %s\n", qPrintable(gazetteer));
        return 1;
    }
    const double fileGiB = QFileInfo(gazetteer).size() / 1073741824.0;
    std::printf("Synthetic GeoNames file: %ld rows, %.2f GiB, written in %.1f s (%s)\n", rows,
                fileGiB, ms(timer) / 1000, qPrintable(folder.path()));

    QProcess import;
    import.setProcessChannelMode(QProcess::ForwardedChannels);
    timer.restart();
    import.start(cli, {QStringLiteral("import"), QStringLiteral("--geonames"), gazetteer,
                       QStringLiteral("--admin1"), admin1Path, QStringLiteral("--countries"),
                       QStringLiteral("/usr/share/iso-codes/json/iso_3166-1.json"), database});
    if (!import.waitForFinished(-1) || import.exitCode() != 0) {
        std::fprintf(stderr, "bench_import: the import failed\n");
        return 1;
    }
    const double importSeconds = ms(timer) / 1000;
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage); // ru_maxrss: the largest child's peak, in KiB
    const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double databaseGiB = QFileInfo(database).size() / 1073741824.0;
    QFile::remove(gazetteer);
    std::printf("Import: %.1f s, peak resident memory %.1f MiB, database %.2f GiB\n", importSeconds,
                peakMiB, databaseGiB);

    std::printf("\n%-7s %8s %12s   %s\n", "prefix", "rows", "best of 5", "query plan");
    std::vector<std::pair<QString, double>> searches;
    for (const char* prefix : {"fiore", "san"}) {
        const QString text = QString::fromLatin1(prefix);
        double best = 1e300;
        size_t found = 0;
        for (int run = 0; run < 5; ++run) {
            timer.restart();
            found = findCityRows(database, text, QLocale::system()).size();
            best = std::min(best, ms(timer));
        }
        std::printf("%-7s %8zu %9.2f ms   %s\n",
                    qPrintable(QLatin1Char('"') + text + QLatin1Char('"')), found, best,
                    qPrintable(queryPlan(database, text)));
        searches.emplace_back(
            QStringLiteral("\"%1\" in the gazetteer (%2 rows)").arg(text).arg(found), best);
    }
    std::printf("HEADLINE\timport of %ld GeoNames rows\t%.1f s, peak %.0f MiB, database %.2f GiB\n",
                rows, importSeconds, peakMiB, databaseGiB);
    for (const auto& [label, best] : searches)
        std::printf("HEADLINE\tsearch %s\t%.2f ms\n", qPrintable(label), best);
    return 0;
}
