#include "cli/trip_map_option.h"

#include "cli/tool_message.h"
#include "route/land_outline.h"

#include <cstdio>
#include <cstring>

namespace amb::cli {

bool wantsMap(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--map") == 0 || std::strncmp(argv[i], "--map=", 6) == 0)
            return true;
    return false;
}

namespace {
QtMessageHandler previousHandler = nullptr;
}

void quietenGuiStartup() {
    previousHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: ")))
                return;
            if (previousHandler)
                previousHandler(type, context, message);
        });
}

bool writeTripMap(const char* command, const QString& file,
                  const std::vector<route::MapStop>& stops, const QString& total,
                  bool courseArrows) {
    QString error;
    const auto land = route::loadLandOutline(route::defaultLandFile(), &error);
    if (land) {
        route::TripMap trip;
        trip.stops = stops;
        trip.total = total;
        trip.courseArrows = courseArrows;
        error = route::renderTripMap(trip, *land, file);
    }
    if (error.isEmpty())
        return true;
    printMessage("ambrevale-cli %s: %s\n", command, error.toLocal8Bit().constData());
    return false;
}

} // namespace amb::cli
