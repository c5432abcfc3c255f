#include "support/test_helpers.h"

#include "app/main_module.h"
#include "lookup/city_import.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <unistd.h>

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

void addRows(ListView& list, const QStringList& rows) {
    for (const QString& row : rows)
        addRow(list, row.section(QLatin1Char('|'), 0, 0), row.section(QLatin1Char('|'), 1, 1),
               row.section(QLatin1Char('|'), 2, 2));
}

void fillList(ListView& list, const QStringList& headers, const QStringList& items) {
    for (const QString& header : headers)
        list.addColumn(header);
    for (const QString& item : items) {
        const QStringList cells = item.mid(1).split(QLatin1Char('|'));
        const int i = list.add(cells.at(0));
        for (qsizetype k = 1; k < cells.size(); ++k)
            list.setSubItem(i, static_cast<int>(k), cells.at(k));
        list.setChecked(i, item.startsWith(QLatin1Char('+')));
    }
}

QStringList itemTexts(const ListView& list) {
    QStringList texts;
    for (int i = 1; i <= list.count(); ++i)
        texts << list.text(i);
    return texts;
}

QStringList itemRows(const ListView& list) {
    QStringList rows;
    for (int i = 1; i <= list.count(); ++i)
        rows << list.text(i) + QLatin1Char('|') + list.subItem(i, 1) + QLatin1Char('|') +
                    list.subItem(i, 2);
    return rows;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QString testDataPath(const QString& name) {
    return QStringLiteral(AMBREVALE_TEST_DATA "/") + name;
}

void importTripFixture(const QString& database) {
    importGeoNames({testDataPath(QStringLiteral("geonames-trip.txt")),
                    testDataPath(QStringLiteral("geonames-admin1.json")),
                    testDataPath(QStringLiteral("iso_3166-1.json"))},
                   database);
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

ToolRun runTool(const QStringList& args, const ToolInput& how) {
    QProcess process;
    QProcessEnvironment environment = how.environment;
    if (!how.locale.isEmpty())
        environment.insert(QStringLiteral("LC_ALL"), how.locale);
    process.setProcessEnvironment(environment);
    if (!how.outputFile.isEmpty())
        process.setStandardOutputFile(how.outputFile);
    QStringList command = how.wrapper;
    command << qEnvironmentVariable("AMBREVALE_CLI") << args;
    process.start(command.takeFirst(), command);
    process.write(how.input);
    process.closeWriteChannel();
    ToolRun run;
    if (!process.waitForFinished(how.timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
#ifdef Q_OS_WIN
    // Messages end their lines with CR LF there; a CR of their own still shows.
    run.err.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return run;
}

#ifdef Q_OS_WIN
// Windows has no administrator that file permissions leave alone, as root is here.
bool Unprivileged::needed() {
    return false;
}

Unprivileged::Unprivileged(const QStringList&) {}

Unprivileged::~Unprivileged() = default;
#else
constexpr uid_t kNobody = 65534;

bool Unprivileged::needed() {
    return geteuid() == 0;
}

Unprivileged::Unprivileged(const QStringList& paths) {
    if (!needed() || paths.isEmpty()) // nothing to give: nothing to do
        return;
    for (const QString& path : paths)
        if (chown(QFile::encodeName(path).constData(), kNobody, kNobody) != 0)
            return;
    active_ = seteuid(kNobody) == 0;
}

Unprivileged::~Unprivileged() {
    if (active_ && seteuid(0) != 0)
        qFatal("cannot return to the administrator");
}
#endif

} // namespace amb::test
