// The tool's lookup: the searches the front does not answer itself, and imports.
// They need Qt Core and SQLite alone, and run here, in a process that loads no
// more than those: the whole tool would load the window's libraries too. Any other
// command (distance and trip measure the window's way, write workbooks and draw
// maps) is handed to the whole tool beside this one, which this process becomes.
#include "cli/cli.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char* argv[]) {
    const bool search = argc > 1 && std::strcmp(argv[1], "search") == 0;
    const bool import = argc > 1 && std::strcmp(argv[1], "import") == 0;
    QCoreApplication app(argc, argv);
    if (search || import) {
        const QStringList args = QCoreApplication::arguments().mid(2);
        return search ? amb::cli::runSearch(args) : amb::cli::runImport(args);
    }
    // Beside this executable itself, whatever folder the data is taken from.
    const QByteArray whole = QFile::encodeName(QDir(QCoreApplication::applicationDirPath())
                                                   .filePath(QStringLiteral(AMBREVALE_WHOLE_TOOL)));
    ::execv(whole.constData(), argv);
    std::fprintf(stderr, "ambrevale-cli: cannot start %s: %s\n", whole.constData(),
                 std::strerror(errno));
    return 2;
}
