// A damaged city database: the input's bytes are the dbCities.sqlite beside the
// program, and a search, a trip by names and the About box's figures run on it.
// Each ends in a result or a message of its own, never anything else.
#include "fuzz_support.h"

#include "cli/cli.h"
#include "lookup/about_box.h"

#include <QFile>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool says(const std::string& text, const char* start) {
    return text.starts_with(start) && text.size() > std::char_traits<char>::length(start);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    static const QString folder = [] {
        qputenv("AMBREVALE_PROGRAM_DIR", fuzz::scratchFolder().toUtf8());
        return fuzz::scratchFolder();
    }();
    static fuzz::CaughtOutput out(STDOUT_FILENO), err(STDERR_FILENO);
    fuzz::Input input(data, size);
    static const char* const searches[] = {"fi", "Par", "%", "b_r", "zürich", "Ber"};
    static const char* const formats[] = {"text", "csv", "json", "geojson"};
    const uint8_t choice = input.byte();
    const QString search = QString::fromUtf8(searches[choice % 6]);
    const QString format = QString::fromLatin1(formats[(choice / 6) % 4]);

    QFile file(folder + QStringLiteral("/dbCities.sqlite"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(input.restBytes()) != static_cast<qint64>(input.rest().size()))
        std::abort();
    file.close();

    int code = -1;
    std::string message = err.of([&] {
        out.of([&] { code = amb::cli::runSearch({search, QStringLiteral("--format"), format}); });
    });
    if (code != 0 && !(code == 1 && says(message, "ambrevale-cli search: ")))
        std::abort(); // a search that neither answers nor says why

    std::string printed;
    message = err.of([&] {
        printed = out.of([&] {
            code = amb::cli::runTrip({QStringLiteral("Florence"), QStringLiteral("Paris"),
                                      QStringLiteral("Berln")});
        });
    });
    if (!(code == 0 && !printed.empty()) && !(code == 1 && says(message, "ambrevale-cli trip: ")))
        std::abort(); // a trip that neither answers nor says why

    if (!amb::aboutText().contains(QLatin1String("\n\nCity database: ")))
        std::abort(); // the About box lost its database line
    return 0;
}
