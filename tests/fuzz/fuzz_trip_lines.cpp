// The distance tool's trip lines, read the way "ambrevale-cli distance FILE" reads
// them: the first byte picks the user's locale, the second the options (unit, model,
// format, total), the rest is the file. The sentences go to /dev/null.
#include "fuzz_support.h"

#include "cli/cli.h"

#include <QLocale>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The trip file lives in memory; the command opens it by name as a file of its own.
struct MemoryFile {
    int fd = -1;
    QString path;
    MemoryFile() {
        fd = memfd_create("trip", MFD_CLOEXEC);
        if (fd < 0)
            std::abort();
        path = QStringLiteral("/proc/self/fd/%1").arg(fd);
        // Standard output is the sentences; the fuzzer has no use for them.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
            std::abort();
        ::close(null);
    }
    void fill(std::string_view bytes) {
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
            std::abort();
    }
};

QStringList optionsFor(uint8_t choice) {
    static const char* const units[] = {nullptr, "mi", "km", "nmi"};
    static const char* const formats[] = {nullptr, "text", "tsv", "csv", "json", "geojson"};
    QStringList options;
    if (const char* unit = units[choice & 3])
        options << QStringLiteral("--unit") << QString::fromLatin1(unit);
    if (choice & 4)
        options << QStringLiteral("--model") << QStringLiteral("wgs84");
    if (choice & 8)
        options << QStringLiteral("--total");
    if (const char* format = formats[(choice >> 4) % 6])
        options << QStringLiteral("--format") << QString::fromLatin1(format);
    return options;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    static MemoryFile file;
    fuzz::Input input(data, size);
    QLocale::setDefault(fuzz::testLocale(input.byte()));
    const QStringList options = optionsFor(input.byte());
    file.fill(input.rest());
    const int status = amb::cli::runDistance(QStringList{file.path} + options);
    if (status != 0 && status != 1)
        std::abort(); // a readable trip is never a usage error
    return 0;
}
