#include "support/test_helpers.h"

#include "app/main_module.h"

#include <QDir>
#include <QFile>

namespace amb::test {

TestWindow::TestWindow() {
    setProgramFolderForTests(folder.path());
    form = std::make_unique<Form1>(platform);
}

TestWindow::~TestWindow() {
    setProgramFolderForTests(QString());
}

void TestWindow::copyIntoProgramFolder(const QString& sourceRelative, const QString& target) {
    const QString to = folder.filePath(target);
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    QFile::copy(QStringLiteral(AMBREVALE_SOURCE_DIR "/") + sourceRelative, to);
}

void TestWindow::load() {
    form->Form_Load();
}

int addRow(ListView& list, const QString& text, const QString& sub1, const QString& sub2) {
    const int i = list.add(text);
    if (!sub1.isEmpty())
        list.setSubItem(i, 1, sub1);
    if (!sub2.isEmpty())
        list.setSubItem(i, 2, sub2);
    return i;
}

QString testDataPath(const QString& name) {
    return QStringLiteral(AMBREVALE_TEST_DATA "/") + name;
}

#ifndef Q_OS_WIN
FileSizeLimit::FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
}
#endif

} // namespace amb::test
