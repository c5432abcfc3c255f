#include "cli/cli.h"

#include <cstdio>

namespace amb::cli {

int runImport(const QStringList&) {
    std::fputs("ambrevale-cli import: not available yet\n", stderr);
    return 1;
}

} // namespace amb::cli
