#include "cli/cli.h"

#include <cstdio>

namespace amb::cli {

int runDistance(const QStringList&) {
    std::fputs("ambrevale-cli distance: not available yet\n", stderr);
    return 1;
}

} // namespace amb::cli
