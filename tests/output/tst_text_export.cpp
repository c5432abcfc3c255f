#include "app/main_module.h"
#include "app/runtime_error.h"
#include "output/aligned_text.h"
#include "output/cli_exports.h"
#include "output/text_export.h"
#include "support/test_helpers.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace amb;
using namespace amb::test;

namespace {

// What the file starts with before its first line: on Windows a UTF-8 byte-order
// mark, so Windows programs do not read it in the local code page.
#ifdef Q_OS_WIN
const QByteArray kStart = "\xEF\xBB\xBF";
#else
const QByteArray kStart;
#endif

// Every text the progress bar shows, in order.
void recordTexts(ProgressBar* bar, QStringList& texts) {
    QObject::connect(bar, &ProgressBar::textSet, bar, [&texts](const QString& t) { texts << t; });
}

// A loaded window whose results list holds `count` checked lines, "line 1" and on
// unless another pattern is given, and the texts its progress bar shows.
struct ExportWindow : TestWindow {
    explicit ExportWindow(int count, const QString& pattern = QStringLiteral("line %1")) {
        load();
        for (int j = 1; j <= count; ++j)
            form->ListView2->setChecked(form->ListView2->add(pattern.arg(j)), true);
        recordTexts(form->ProgressBar1, texts);
    }
    QStringList texts;
};

QStringList strs(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* t : texts)
        list << QString::fromUtf8(t);
    return list;
}

// The line numbers of the reports, in order.
QList<int> reportLines(const FakePlatform& platform) {
    QList<int> lines;
    for (const QString& text : platform.reports()) {
        const qsizetype at =
            text.indexOf(QLatin1String("Main.SaveListviewProperlySpaced at line "));
        lines << (at < 0 ? -1 : text.mid(at + 40, 3).toInt());
    }
    return lines;
}

// A device that takes `room` bytes and then reports a full disk.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : room_(room) {}
    QByteArray data;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* bytes, qint64 len) override {
        const qint64 taken = std::min(len, room_ - data.size());
        if (taken <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        data.append(bytes, taken);
        return taken;
    }

private:
    qint64 room_;
};

} // namespace

class TestTextExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layout_data();
    void layout();
    void progress_data();
    void progress();
    void dialogAndPointer();
    void cancelledDialogTouchesNothing();
    void listChangedDuringExport();
    void cannotCreate_data();
    void cannotCreate();
#ifndef Q_OS_WIN // folder modes
    void readOnlyFolder_data();
    void readOnlyFolder();
#endif
    void doneOnlyOnceInPlace();
    void failedWriteSaysWhatBecameOfTheFile_data();
    void failedWriteSaysWhatBecameOfTheFile();
#ifndef Q_OS_WIN
    void devFullIsWrittenInPlace();
#endif
    void commandLineExportMatchesWindow();
    void commandLineExportUnwritable();
};

void TestTextExport::layout_data() {
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("expected");
    const QStringList results{QStringLiteral("Results")};

    QTest::newRow("worked example")
        << QStringList{QStringLiteral("City"), QStringLiteral("Km")}
        << strs({"+Oslo|12", "-Rome|1234", "+Lisboa|5"})
        << QByteArray("City  \tKm  \t\r\nOslo  \t12  \t\r\nLisboa\t5   \t\r\n");
    QTest::newRow("empty results list") << results << QStringList{} << QByteArray("Results\t\r\n");
    QTest::newRow("no item checked: header filled to the unchecked items")
        << results << strs({"-Distance between A and B is 3 miles"})
        << QByteArray("Results                            \t\r\n");
    QTest::newRow("header longer than every cell")
        << QStringList{QStringLiteral("Destination"), QStringLiteral("K")} << strs({"+Oslo|12"})
        << QByteArray("Destination\tK \t\r\nOslo       \t12\t\r\n");
    QTest::newRow("empty column") << QStringList{QStringLiteral("A"), QString(),
                                                 QStringLiteral("C")}
                                  << strs({"+x||z"}) << QByteArray("A\t\tC\t\r\nx\t\tz\t\r\n");
    QTest::newRow("list without columns")
        << QStringList{} << strs({"+x", "-y", "+z"}) << QByteArray("\r\n\r\n\r\n");
    // Widths count characters; the bytes are UTF-8 (on Linux the system's 8-bit
    // encoding, which is UTF-8 here; on Windows always, after the byte-order mark).
    QTest::newRow("accented text")
        << results << strs({"+Zürich", "+Bern-Mittelland"})
        << QByteArray("Results        \t\r\nZ\xc3\xbcrich         \t\r\nBern-Mittelland\t\r\n");
}

void TestTextExport::layout() {
    QFETCH(QStringList, headers);
    QFETCH(QStringList, items);
    QFETCH(QByteArray, expected);
    FakePlatform platform;
    ListView list;
    fillList(list, headers, items);
    QBuffer buffer;
    SaveListviewProperlySpaced(platform, list, QStringLiteral("out.txt"), nullptr, buffer);
    QCOMPARE(buffer.data(), kStart + expected);
    QCOMPARE(platform.boxTexts(), QStringList());

    // The same bytes through a real file, which also replaces an earlier one.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    writeFile(path, QByteArray(4096, 'o'));
    SaveListviewProperlySpaced(platform, list, path, nullptr);
    QCOMPARE(fileBytes(path), kStart + expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.txt")});
}

void TestTextExport::progress_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("unchecked"); // an item left unchecked, 0 for none
    QTest::newRow("0 items") << 0 << 0;
    QTest::newRow("1 item") << 1 << 0;
    QTest::newRow("2000 items") << 2000 << 0;
    QTest::newRow("2500 items, item 1000 unchecked") << 2500 << 1000;
}

void TestTextExport::progress() {
    QFETCH(int, count);
    QFETCH(int, unchecked);
    TestWindow w;
    w.load();
    ListView& list = *w.form->ListView2;
    for (int j = 1; j <= count; ++j)
        list.setChecked(list.add(QStringLiteral("line %1").arg(j)), j != unchecked);
    QStringList log;
    connect(w.form->ProgressBar1, &ProgressBar::valueSet, this,
            [&](double v) { log << QString::number(v, 'g', 17); });
    recordTexts(w.form->ProgressBar1, log);
    QBuffer buffer;
    // A backslash name shows its last part, as a Windows path would.
    SaveListviewProperlySpaced(w.platform, list, QStringLiteral("C:\\data\\trip.txt"),
                               w.form->ProgressBar1, buffer);

    const QString writing = QStringLiteral("Writing file: trip.txt");
    QStringList expected{QStringLiteral("1"),  writing, QStringLiteral("10"), writing,
                         QStringLiteral("20"), writing};
    for (int j = 1; j <= count; ++j) {
        if (j == unchecked)
            continue;
        expected << QString::number(static_cast<double>(j + count / 2000) / count * 100, 'g', 17);
        if (j % 1000 == 0)
            expected << writing + QStringLiteral(" (%1)").arg(j);
    }
    expected << QStringLiteral("100") << QStringLiteral("Done.") << QStringLiteral("0")
             << QStringLiteral("Progress Bar");
    QCOMPARE(log, expected);
    if (count == 2000) // above 100 on the last item; the bar shows it full
        QVERIFY(qFuzzyCompare(log.at(log.size() - 6).toDouble(), 100.05));
    QCOMPARE(buffer.data().count('\n'), 1 + count - (unchecked ? 1 : 0));
}

void TestTextExport::dialogAndPointer() {
    TestWindow w;
    w.load();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results")); // typed without extension
    w.form->ListView2->setChecked(
        w.form->ListView2->add(QStringLiteral("Distance between A and B is 3 miles")), true);
    int pointerDuringExport = -1;
    w.platform.onDoEvents = [&](int) { pointerDuringExport = w.platform.pointer; };
    w.platform.saveNames = {path, QString()};
    w.form->PushButton4_Click();
    QCOMPARE(w.form->CommonDialog1.Flags, 0x280201);
    QCOMPARE(fileBytes(path), kStart + QByteArray("Results                            \t\r\n"
                                                  "Distance between A and B is 3 miles\t\r\n"));
    QCOMPARE(pointerDuringExport, pointer::Hourglass);
    QCOMPARE(w.platform.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
    // The second use offers the name chosen the first time.
    w.form->PushButton4_Click();
    QCOMPARE(w.platform.saveDialogCalls,
             (QStringList{QStringLiteral("Save|Text Files (*.txt)|*.txt|All Files (*.*)|*.*||"),
                          QStringLiteral("Save|Text Files (*.txt)|*.txt|All Files (*.*)|*.*||") +
                              path}));
    QCOMPARE(w.platform.boxTexts(), QStringList());
}

void TestTextExport::cancelledDialogTouchesNothing() {
    ExportWindow w(1);
    w.platform.saveNames = {QString()};
    const QStringList before =
        QDir(w.folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    w.form->PushButton4_Click();
    QCOMPARE(w.platform.saveDialogCalls.size(), 1);
    QVERIFY(w.platform.pointerHistory.empty());
    QCOMPARE(w.platform.doEventsCalls, 0);
    QCOMPARE(w.texts, QStringList());
    QCOMPARE(w.platform.boxTexts(), QStringList());
    QCOMPARE(QDir(w.folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestTextExport::listChangedDuringExport() {
    // "Clear Results" pressed while the lines are written: each step that reads a
    // vanished item is reported, the file keeps what was written, the pointer returns.
    ExportWindow w(3);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    bool cleared = false;
    w.platform.onDoEvents = [&](int) {
        if (!cleared && w.platform.pointer == pointer::Hourglass &&
            w.form->ListView2->count() == 3 && w.platform.doEventsCalls > 12) {
            cleared = true;
            w.form->PushButton2_Click();
        }
    };
    w.platform.saveNames = {path};
    w.form->PushButton4_Click();
    QVERIFY(cleared);
    // Line 1's progress divides by the emptied list; lines 2 and 3 are gone when read.
    QCOMPARE(reportLines(w.platform), (QList<int>{214, 188, 188}));
    QVERIFY(fileBytes(path).startsWith(kStart + "Results\t\r\nline 1 \t\r\n"));
    QCOMPARE(w.platform.pointer, pointer::Default);
}

void TestTextExport::cannotCreate_data() {
    QTest::addColumn<QString>("folder");
    QTest::newRow("folder does not exist") << QStringLiteral("/nonexistent-ambrevale-folder");
    QTest::newRow("folder of the system that takes no files") << QStringLiteral("/proc");
}

void TestTextExport::cannotCreate() {
    QFETCH(QString, folder);
    const QString path = folder + QStringLiteral("/out.txt");
    ExportWindow w(2);
    w.platform.saveNames = {path};
    w.form->PushButton4_Click();
    // Creation, header, each checked line and the close each report once.
    QCOMPARE(reportLines(w.platform), (QList<int>{156, 170, 222, 222, 232}));
    QVERIFY(w.platform.reports().constFirst().startsWith(
        QStringLiteral("The file ") + QDir::toNativeSeparators(path) +
        QStringLiteral(" cannot be created")));
    QVERIFY(!w.texts.contains(QStringLiteral("Done.")));
    QCOMPARE(w.texts.constLast(), QStringLiteral("Progress Bar"));
    QCOMPARE(w.platform.pointer, pointer::Default);
}

#ifndef Q_OS_WIN
void TestTextExport::readOnlyFolder_data() {
    // The mode of the file already there; -1 = none.
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<bool>("saved");
    QTest::newRow("writable file is overwritten in place") << 0644 << true;
    QTest::newRow("read-only file stays") << 0444 << false;
    QTest::newRow("new file cannot be created") << -1 << false;
}

void TestTextExport::readOnlyFolder() {
    QFETCH(int, fileMode);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray earlier = "earlier results, longer than the new ones\r\n";
    QStringList owned{dir.path()};
    if (fileMode >= 0) {
        writeFile(path, earlier);
        owned << path;
    }
    ExportWindow w(1);
    w.platform.saveNames = {path};
    {
        Unprivileged user(owned);
        if (fileMode >= 0)
            QVERIFY(chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(fileMode)) == 0);
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0500) == 0);
        QFile probe(dir.filePath(QStringLiteral("probe")));
        const bool mayWriteAnyway = probe.open(QIODevice::WriteOnly);
        if (!mayWriteAnyway)
            w.form->PushButton4_Click();
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0700) == 0);
        if (mayWriteAnyway)
            QSKIP("This user may write to read-only folders");
    }
    if (saved) {
        QCOMPARE(w.platform.boxTexts(), QStringList());
        QCOMPARE(fileBytes(path), QByteArray("Results\t\r\nline 1 \t\r\n"));
        QVERIFY(w.texts.contains(QStringLiteral("Done.")));
    } else {
        QCOMPARE(reportLines(w.platform).constFirst(), 156);
        QCOMPARE(fileBytes(path), fileMode >= 0 ? earlier : QByteArray("<missing>"));
        QVERIFY(!w.texts.contains(QStringLiteral("Done.")));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QFileInfo::exists(path) ? QStringList{QStringLiteral("out.txt")} : QStringList());
}
#endif

void TestTextExport::doneOnlyOnceInPlace() {
    // A folder takes the file's name while the lines are written: the finished file
    // cannot be put in place, and the bar must not have said "Done." first.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    ExportWindow w(1);
    w.platform.onDoEvents = [&](int) {
        // At 20 the file is created and its header written.
        if (w.form->ProgressBar1->value() == 20 && !QFileInfo::exists(path))
            QDir(dir.path()).mkdir(QStringLiteral("out.txt"));
    };
    SaveListviewProperlySpaced(w.platform, *w.form->ListView2, path, w.form->ProgressBar1);
    QCOMPARE(reportLines(w.platform), QList<int>{232});
    QVERIFY(!w.texts.contains(QStringLiteral("Done.")));
    QCOMPARE(w.texts.constLast(), QStringLiteral("Progress Bar"));
}

void TestTextExport::failedWriteSaysWhatBecameOfTheFile_data() {
    // Where the lines go: through a temporary file beside the earlier one, straight
    // into the earlier file (its folder takes no new file), or into a device.
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("told");
#ifndef Q_OS_WIN // a full disk by the file-size limit, a read-only folder by its mode
    QTest::newRow("replaced through a temporary file")
        << QStringLiteral("writable folder")
        << QStringLiteral("A file of that name that was there before is unchanged.");
    QTest::newRow("written in place in a read-only folder")
        << QStringLiteral("read-only folder")
        << QStringLiteral("It now holds only part of the results.");
#endif
    QTest::newRow("written to a device")
        << QStringLiteral("device") << QStringLiteral("It now holds only part of the results.");
}

// A write that fails part-way is reported once, where it fails (the close that
// follows adds no second box), and the report tells the truth about the file.
void TestTextExport::failedWriteSaysWhatBecameOfTheFile() {
    QFETCH(QString, target);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray earlier = "earlier results\r\n";
    writeFile(path, earlier);
    ExportWindow w(200, QStringLiteral("Distance between %1 and B is 3 miles"));
    ListView& results = *w.form->ListView2;
    FullDevice device(4096);
    if (target == QLatin1String("device")) {
        device.open(QIODevice::WriteOnly);
        SaveListviewProperlySpaced(w.platform, results, path, w.form->ProgressBar1, device);
    } else {
#ifndef Q_OS_WIN
        Unprivileged user{{dir.path(), path}};
        const bool readOnly = target == QLatin1String("read-only folder");
        if (readOnly)
            QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0500) == 0);
        QFile probe(dir.filePath(QStringLiteral("probe")));
        const bool mayWriteAnyway = readOnly && probe.open(QIODevice::WriteOnly);
        if (!mayWriteAnyway) {
            // The file-size limit makes the disk "full" at 4 KB for this process only.
            const FileSizeLimit limit(4096);
            SaveListviewProperlySpaced(w.platform, results, path, w.form->ProgressBar1);
        }
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0700) == 0);
        if (mayWriteAnyway)
            QSKIP("This user may write to read-only folders");
#endif
    }

    const QList<int> lines = reportLines(w.platform);
    QVERIFY(lines.size() > 1);
    QCOMPARE(lines.count(222), lines.size()); // every line from the first that did not fit
    for (const QString& report : w.platform.reports())
        QVERIFY2(report.contains(told), qPrintable(report));
    QVERIFY(!w.texts.contains(QStringLiteral("Done.")));
    QCOMPARE(w.texts.constLast(), QStringLiteral("Progress Bar"));
    if (target == QLatin1String("writable folder"))
        QCOMPARE(fileBytes(path), earlier);
    else if (target == QLatin1String("read-only folder"))
        QVERIFY(fileBytes(path).startsWith(kStart + "Results"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.txt")});
}

#ifndef Q_OS_WIN
void TestTextExport::devFullIsWrittenInPlace() {
    // A device is never replaced by a file, and its failures are reported.
    const QString devFull = QStringLiteral("/dev/full");
    if (!QFileInfo::exists(devFull))
        QSKIP("/dev/full is missing");
    FakePlatform platform;
    ListView list;
    fillList(list, {QStringLiteral("Results")}, strs({"+a", "+b"}));
    SaveListviewProperlySpaced(platform, list, devFull, nullptr);
    QCOMPARE(reportLines(platform), (QList<int>{170, 222, 222}));
    QVERIFY(platform.reports().constFirst().contains(QLatin1String("No space left on device")));
    QVERIFY(platform.reports().constFirst().contains(QLatin1String("holds only part")));
    QVERIFY(QFileInfo(devFull).exists() && !QFileInfo(devFull).isFile());
}
#endif

void TestTextExport::commandLineExportMatchesWindow() {
    const QStringList lines{QStringLiteral("Distance between Oslo and Rome is 1244 miles"),
                            QStringLiteral("Distance between Rome and Rome is 0 miles")};
    TestWindow w;
    w.load();
    for (const QString& line : lines)
        w.form->ListView2->setChecked(w.form->ListView2->add(line), true);
    QBuffer fromWindow;
    SaveListviewProperlySpaced(w.platform, *w.form->ListView2, QStringLiteral("x"), nullptr,
                               fromWindow);
    QTemporaryDir dir;
    for (const QStringList& rows : {lines, QStringList{}}) {
        const QString path = dir.filePath(QStringLiteral("cli.txt"));
        writeTextExportFile(rows, path);
        QCOMPARE(fileBytes(path),
                 rows.isEmpty() ? kStart + QByteArray("Results\t\r\n") : fromWindow.data());
    }
}

void TestTextExport::commandLineExportUnwritable() {
    QVERIFY_THROWS_EXCEPTION(
        RunTimeError,
        writeTextExportFile({QStringLiteral("x")}, QStringLiteral("/nonexistent-ambrevale/x.txt")));
    QVERIFY_THROWS_EXCEPTION(
        RunTimeError, writeTextExportFile({QStringLiteral("x")}, QStringLiteral("/dev/full")));
}

QTEST_MAIN(TestTextExport)
#include "tst_text_export.moc"
