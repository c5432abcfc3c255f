// The tool's front. The common search runs here, in a process that loads SQLite
// and the C library alone: most of a short search used to go on loading Qt and its
// Unicode libraries. Every other search and every import is handed to the lookup
// tool beside this one (Qt Core and SQLite), every other command to the whole tool,
// and this process becomes that tool.
#include "cli/quick_search.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The folder of this executable, links followed, as Qt's application folder.
std::string programFolder(const char* argv0) {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string file = length > 0 ? std::string(path, static_cast<size_t>(length)) : argv0;
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? "/" : file.substr(0, slash);
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string folder = programFolder(argv[0]);
    const bool search = argc > 1 && std::strcmp(argv[1], "search") == 0;
    const bool import = argc > 1 && std::strcmp(argv[1], "import") == 0;
    if (search) {
        switch (amb::cli::runQuickSearch(argc - 2, argv + 2, folder.c_str())) {
        case amb::cli::QuickSearch::Printed:
            return 0;
        case amb::cli::QuickSearch::WriteFailed:
            return 1;
        case amb::cli::QuickSearch::NotQuick:
            break;
        }
    }
    const std::string tool =
        folder + "/" + (search || import ? AMBREVALE_LOOKUP_TOOL : AMBREVALE_WHOLE_TOOL);
    ::execv(tool.c_str(), argv);
    std::fprintf(stderr, "ambrevale-cli: cannot start %s: %s\n", tool.c_str(),
                 std::strerror(errno));
    return 2;
}
