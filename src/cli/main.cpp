#include "app/file_io.h"
#include "cli/cli.h"
#include "cli/tool_message.h"
#include "cli/trip_map_option.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace {
const char kUsage[] = "Usage: ambrevale-cli COMMAND [ARGS]\n"
                      "\n"
                      "Commands:\n"
                      "  import    build a city database from a GeoNames file or a CSV file\n"
                      "  search    print the cities whose name begins with a text\n"
                      "  distance  print the distance sentences of a trip\n"
                      "  trip      measure a trip through cities given by name\n"
                      "\n"
                      "Run 'ambrevale-cli COMMAND --help' for a command's options.\n";
}

int main(int argc, char* argv[]) {
    amb::useUtf8Console();
    // A map needs fonts, which need a GUI application. It always draws off screen:
    // the tool shows no window, and a platform set for the desktop (xcb, wayland)
    // would fail without a display, as over ssh.
    std::unique_ptr<QCoreApplication> app;
    if (amb::cli::wantsMap(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        amb::cli::quietenGuiStartup();
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("import"))
        return amb::cli::runImport(args);
    if (command == QLatin1String("search"))
        return amb::cli::runSearch(args);
    if (command == QLatin1String("distance"))
        return amb::cli::runDistance(args);
    if (command == QLatin1String("trip"))
        return amb::cli::runTrip(args);
    amb::cli::printMessage("ambrevale-cli: unknown command '%s'\n\n", qPrintable(command));
    std::fputs(kUsage, stderr);
    return 2;
}
