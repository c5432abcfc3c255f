#pragma once

#include "app/form1.h"
#include "support/fake_platform.h"

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

namespace amb::test {

// A main window on the scripted platform, loaded as at start-up, whose program
// folder is a fresh temporary folder (no database, no skin, no pointer picture
// unless a test puts them there).
struct TestWindow {
    TestWindow();
    ~TestWindow();
    QTemporaryDir folder;
    FakePlatform platform;
    std::unique_ptr<Form1> form;
    // Copies a file of the source tree (e.g. "data/HAND-M.CUR") into the program folder.
    void copyIntoProgramFolder(const QString& sourceRelative, const QString& target);
    void load(); // runs Form_Load
};

// Adds a row with sub-items to a list, returning its position.
int addRow(ListView& list, const QString& text, const QString& sub1 = {}, const QString& sub2 = {});
// Adds rows written "text|sub-item 1|sub-item 2".
void addRows(ListView& list, const QStringList& rows);
// Adds the columns, then items written "+text|sub-item 1|..." (checked) or
// "-text|..." (not checked).
void fillList(ListView& list, const QStringList& headers, const QStringList& items);
// A list's items as their texts, or as "text|sub-item 1|sub-item 2" rows.
QStringList itemTexts(const ListView& list);
QStringList itemRows(const ListView& list);
// A file's bytes, "<missing>" when it cannot be read; and a file written whole.
QByteArray fileBytes(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
QString testDataPath(const QString& name);
// Imports the trip fixture (cities with populations and alternate names) into `database`.
void importTripFixture(const QString& database);

#ifndef Q_OS_WIN // Windows has no per-process file size limit
// Makes the disk "full" for this process only while it lives: files cannot grow
// past `bytes`, and a write beyond fails with EFBIG instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int);
};
#endif

// One run of the built command-line tool (AMBREVALE_CLI).
struct ToolRun {
    int exitCode = -1; // also when it crashed or did not end in time
    QByteArray outBytes;
    QString out; // outBytes as UTF-8
    QString err;
};

struct ToolInput {
    QByteArray input{};   // on standard input
    QString locale{};     // LC_ALL for the tool, when given
    QString outputFile{}; // standard output goes there instead
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList wrapper{}; // a command that runs the tool (as another user, say)
    int timeoutMs = 120000;
};

ToolRun runTool(const QStringList& args, const ToolInput& how = {});

// Folder permissions bind only an unprivileged user: run as root, the tests give the
// paths to "nobody" and act as that user until the end of the scope. Without paths, or
// where that is refused, `active()` is false and the scope runs as it is.
class Unprivileged {
public:
    explicit Unprivileged(const QStringList& paths);
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;
    bool active() const { return active_; }
    static bool needed(); // the tests run as root

private:
    bool active_ = false;
};

} // namespace amb::test
