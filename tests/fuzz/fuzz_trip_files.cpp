// The trip files the window opens or takes by drop (GPX, GeoJSON, CSV, the tool's
// search lines): a trip of finite places on the globe within the limits, or an error
// that says where and what; a trip read is written in each format and read back the same.
#include "fuzz_support.h"

#include "trip/trip_files.h"

#include <cmath>
#include <cstdlib>

namespace {

bool onTheGlobe(const amb::TripFileEntry& e) {
    return std::isfinite(e.latitude) && std::isfinite(e.longitude) &&
           std::fabs(e.latitude) <= 90 && std::fabs(e.longitude) <= 180;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const amb::TripFileContents read = amb::readTripFile(bytes);
    if (read.error) {
        if (read.error->what.isEmpty())
            std::abort(); // refused without saying why
        return 0;
    }
    if (read.entries.empty() || static_cast<qsizetype>(read.entries.size()) > amb::kMaxTripFileEntries)
        std::abort(); // an empty or oversized trip taken as read
    for (const amb::TripFileEntry& e : read.entries)
        if (!onTheGlobe(e) || e.text.isEmpty())
            std::abort(); // a place the window cannot measure or show
    for (const auto format : {amb::TripFileFormat::Gpx, amb::TripFileFormat::GeoJson,
                              amb::TripFileFormat::Csv}) {
        const amb::TripFileContents again = amb::readTripFile(amb::writeTripFile(read.entries, format));
        if (again.error || again.entries.size() != read.entries.size())
            std::abort(); // what we wrote does not read back
        for (size_t i = 0; i < read.entries.size(); ++i)
            if (again.entries[i].latitude != read.entries[i].latitude ||
                again.entries[i].longitude != read.entries[i].longitude)
                std::abort(); // a place moved on the way through a file
    }
    return 0;
}
