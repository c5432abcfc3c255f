// The land outline file the map reads (TopoJSON): an outline whose points are all
// finite, or nothing and a message.
#include "fuzz_support.h"

#include "route/land_outline.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QString error;
    const auto land = amb::route::landFromTopoJson(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        &error);
    if (!land) {
        if (error.isEmpty())
            std::abort(); // refused without saying why
        return 0;
    }
    for (const amb::route::LandRing& ring : land->rings)
        for (const QPointF& p : ring.points)
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                std::abort(); // a point the map cannot draw
    return 0;
}
