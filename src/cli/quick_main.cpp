// The tool's front. The common search runs here, in a process that loads SQLite
// and the C library alone: most of a short search used to go on loading Qt and its
// Unicode libraries. Every other command, and every search the quick one does not
// cover (see quick_search.h), is handed to the whole tool beside this one, which
// this process becomes.
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
    if (argc > 1 && std::strcmp(argv[1], "search") == 0) {
        switch (amb::cli::runQuickSearch(argc - 2, argv + 2, folder.c_str())) {
        case amb::cli::QuickSearch::Printed:
            return 0;
        case amb::cli::QuickSearch::WriteFailed:
            return 1;
        case amb::cli::QuickSearch::NotQuick:
            break;
        }
    }
    const std::string whole = folder + "/" AMBREVALE_WHOLE_TOOL;
    ::execv(whole.c_str(), argv);
    std::fprintf(stderr, "ambrevale-cli: cannot start %s: %s\n", whole.c_str(),
                 std::strerror(errno));
    return 2;
}
