#pragma once

#include "app/form1.h"
#include "support/fake_platform.h"

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
QString testDataPath(const QString& name);

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

} // namespace amb::test
