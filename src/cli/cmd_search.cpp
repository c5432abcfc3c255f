#include "cli/cli.h"

#include <cstdio>

namespace amb::cli {

int runSearch(const QStringList&) {
    std::fputs("ambrevale-cli search: not available yet\n", stderr);
    return 1;
}

} // namespace amb::cli
