// The name resolver's input ("Name, region or country") against a small database
// built once from the test fixtures.
#include "fuzz_support.h"

#include "app/runtime_error.h"
#include "lookup/city_import.h"
#include "lookup/city_resolve.h"

#include <cstdlib>
#include <memory>

namespace {
amb::CityResolver& resolver() {
    static const std::unique_ptr<amb::CityResolver> resolver = [] {
        const QString database = fuzz::scratchFolder() + QStringLiteral("/trip.sqlite");
        amb::importGeoNames(fuzz::tripFixture(), database);
        return std::make_unique<amb::CityResolver>(database);
    }();
    return *resolver;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    const QString name =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const amb::NameMatch match = resolver().resolve(name);
    if (!match.matches.empty() && !match.closeNames.empty())
        std::abort(); // close names are offered only when nothing matched
    return 0;
}
