#include "app/main_module.h"
#include "app/skin.h"
#include "support/test_helpers.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

using namespace amb;
using namespace amb::test;

class TestForm1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsStandWhereDesigned_data();
    void controlsStandWhereDesigned();
    void captionsFontsAndTooltips();
    void tabOrderFollowsTheDesign();
    void keysClickTheFocusedButtonOrTheDefault_data();
    void keysClickTheFocusedButtonOrTheDefault();
    void startUpSetsCaptionColumnsAndTitle();
    void failingSkinStepStillFinishesStartUp_data();
    void failingSkinStepStillFinishesStartUp();
    void applicationTitle_data();
    void applicationTitle();
    void pointerPictureFromCursorFile();
    void fileExists();
    void textAfterLastBackslash_data();
    void textAfterLastBackslash();
};

void TestForm1::controlsStandWhereDesigned_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    // The window design, in twips; the first three inside Frame1 are relative to it.
    const struct {
        const char* n;
        int l, t, w, h;
    } design[] = {{"Frame1", 120, 90, 7800, 1335},          {"Text1", 240, 300, 7330, 345},
                  {"PushButton7", 240, 750, 6615, 405},     {"PushButton8", 6960, 750, 600, 405},
                  {"ListView1", 120, 1530, 7800, 1335},     {"PushButton6", 120, 2955, 7800, 405},
                  {"ListView3", 120, 3480, 7800, 1815},     {"PushButton1", 120, 5380, 3840, 405},
                  {"PushButton3", 4080, 5380, 3840, 405},   {"PushButton17", 120, 5890, 7800, 405},
                  {"ListView2", 8040, 120, 7800, 4665},     {"PushButton4", 8040, 4870, 3840, 405},
                  {"PushButton13", 12000, 4870, 3840, 405}, {"PushButton5", 8040, 5380, 3840, 405},
                  {"PushButton2", 12000, 5380, 3840, 405},  {"ProgressBar1", 8040, 5890, 7800, 405},
                  {"Command1", 120, 6510, 7695, 360}};
    for (const auto& d : design)
        QTest::newRow(d.n) << QString::fromLatin1(d.n) << QRect(d.l, d.t, d.w, d.h);
}

void TestForm1::controlsStandWhereDesigned() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    TestWindow w;
    w.load();
    auto* control = w.form->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    const double dpi = w.form->logicalDpiX();
    const auto px = [dpi](int t) { return twipsToPixels(t, dpi); };
    QCOMPARE(control->geometry(),
             QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())));
    QCOMPARE(w.form->size(), QSize(px(15960), px(6405)));
}

void TestForm1::captionsFontsAndTooltips() {
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    const QList<QPair<QPushButton*, QString>> captions = {
        {f.PushButton7, QStringLiteral("1. Search")},
        {f.PushButton8, QStringLiteral("?")},
        {f.PushButton6, QStringLiteral("2. Add City To List Below")},
        {f.PushButton1, QStringLiteral("Clear List")},
        {f.PushButton3, QStringLiteral("Delete Selected")},
        {f.PushButton17, QStringLiteral("3. Start Finding Distance")},
        {f.PushButton4, QStringLiteral("Save Results As Text File")},
        {f.PushButton13, QStringLiteral("Save Results As Excel File")},
        {f.PushButton5, QStringLiteral("Copy Results To Clipboard")},
        {f.PushButton2, QStringLiteral("Clear Results")},
        {f.Command1, QStringLiteral("Command1")}};
    for (const auto& [button, caption] : captions)
        QCOMPARE(button->text(), caption);
    QCOMPARE(f.Frame1->title(), QStringLiteral("Search For City"));
    QCOMPARE(f.PushButton17->font().pointSizeF(), 11.25);
    QVERIFY(f.PushButton17->font().bold());
    QCOMPARE(f.ListView2->font().pointSizeF(), 9.0);
    QCOMPARE(f.font().family(), QStringLiteral("Arial"));
    const QString tip =
        QStringLiteral("Double-click item to remove it. Move | line to right and out of "
                       "window to reveal full names.");
    for (ListView* list : {f.ListView1, f.ListView2, f.ListView3})
        QCOMPARE(list->toolTip(), tip);
    QCOMPARE(f.Text1->text(), QString());
    QCOMPARE(f.ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(f.ProgressBar1->value(), 0.0);
    // Command1 lies below the client area: never seen, only reached by Enter.
    QVERIFY(f.Command1->geometry().top() >= f.height());
}

void TestForm1::tabOrderFollowsTheDesign() {
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    const QList<QWidget*> expected = {f.ListView1,   f.ListView2,    f.PushButton6, f.PushButton17,
                                      f.PushButton4, f.PushButton13, f.PushButton2, f.PushButton5,
                                      f.ListView3,   f.PushButton1,  f.PushButton3, f.Text1,
                                      f.PushButton7, f.PushButton8,  f.Command1};
    // The next of the window's own controls along the focus chain (inner parts of a
    // list, such as its header, are passed over).
    for (qsizetype i = 0; i + 1 < expected.size(); ++i) {
        QWidget* next = expected[i]->nextInFocusChain();
        while (!expected.contains(next) && next != expected[i])
            next = next->nextInFocusChain();
        QCOMPARE(next->objectName(), expected[i + 1]->objectName());
    }
}

void TestForm1::keysClickTheFocusedButtonOrTheDefault_data() {
    // A push button with the focus takes Enter and Space for itself; Enter in any
    // other control goes to the default button Command1.
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("clicked");
    for (const char* button :
         {"PushButton7", "PushButton8", "PushButton6", "PushButton1", "PushButton3", "PushButton17",
          "PushButton4", "PushButton13", "PushButton5", "PushButton2"}) {
        const QString name = QString::fromLatin1(button);
        QTest::addRow("Enter on %s", button) << name << int(Qt::Key_Return) << name;
        QTest::addRow("keypad Enter on %s", button) << name << int(Qt::Key_Enter) << name;
        QTest::addRow("Space on %s", button) << name << int(Qt::Key_Space) << name;
    }
    for (const char* control : {"Text1", "ListView1", "ListView3", "ListView2"})
        QTest::addRow("Enter in %s", control)
            << QString::fromLatin1(control) << int(Qt::Key_Return) << QStringLiteral("Command1");
    QTest::newRow("Enter on Command1 itself")
        << QStringLiteral("Command1") << int(Qt::Key_Return) << QStringLiteral("Command1");
}

void TestForm1::keysClickTheFocusedButtonOrTheDefault() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, clicked);
    TestWindow w;
    w.load();
    QStringList clicks;
    const QList<QPushButton*> buttons = w.form->pushButtons() << w.form->Command1;
    for (QPushButton* b : buttons)
        QObject::connect(b, &QPushButton::clicked, b, [&clicks, b] { clicks << b->objectName(); });
    QTest::keyClick(w.form->findChild<QWidget*>(focus), Qt::Key(key));
    QCOMPARE(clicks, QStringList{clicked});
}

void TestForm1::startUpSetsCaptionColumnsAndTitle() {
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("Ambrevale"));
    // The picture itself, not only an icon naming it: the resource reached the program.
    QVERIFY(!f.windowIcon().pixmap(32).isNull());
    QCOMPARE(amb::applicationTitle(), QStringLiteral("Ambrevale"));
    const auto headers = [](ListView* l) {
        QStringList h;
        for (int c = 1; c <= l->columnCount(); ++c)
            h << l->columnText(c);
        return h;
    };
    QCOMPARE(headers(f.ListView1), (QStringList{QStringLiteral("City - Region"),
                                                QStringLiteral("Lat."), QStringLiteral("Long.")}));
    QCOMPARE(headers(f.ListView3), (QStringList{QStringLiteral("Cities To Find Distance"),
                                                QStringLiteral("Lat."), QStringLiteral("Long.")}));
    QCOMPARE(headers(f.ListView2), QStringList{QStringLiteral("Results")});
    QCOMPARE(f.ListView1->columnWidth(0), twipsToPixels(7000, f.logicalDpiX()));
    QVERIFY(f.ListView3->columnWidth(1) <= 1);
    QVERIFY(f.ListView3->columnWidth(2) <= 1);
    QCOMPARE(f.ListView2->columnWidth(0), twipsToPixels(7000, f.logicalDpiX()));
    QVERIFY(w.platform.boxes.empty());
}

void TestForm1::failingSkinStepStillFinishesStartUp_data() {
    QTest::addColumn<QByteArray>("skin");
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("empty skin file") << QByteArray() << false;
    QTest::newRow("blank skin file") << QByteArray(" \n\t\n") << false;
#ifndef Q_OS_WIN // Windows files have no mode that keeps their owner from reading
    QTest::newRow("unreadable skin file") << QByteArray("QWidget {}") << true;
#endif
}

void TestForm1::failingSkinStepStillFinishesStartUp() {
    QFETCH(QByteArray, skin);
    QFETCH(bool, unreadable);
    TestWindow w;
    QDir(w.folder.path()).mkdir(QStringLiteral("x"));
    QFile file(w.folder.filePath(QStringLiteral("x/o.cjs")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(skin);
    file.close();
    if (unreadable)
        file.setPermissions(QFileDevice::WriteOwner);
    w.platform.settings[QStringLiteral("Tormalyn/Ambrevale/Cities")] =
        QStringLiteral("Oslo - Norway");
    {
        // Root reads every file: the window starts as "nobody" then.
        const Unprivileged user(unreadable ? QStringList{w.folder.path(), file.fileName()}
                                           : QStringList());
        if (unreadable && Unprivileged::needed() && !user.active())
            QSKIP("cannot act as an unprivileged user");
        w.load();
    }
    QCOMPARE(w.platform.reports().size(), 1);
    QVERIFY(w.platform.reports().first().contains(
        QStringLiteral("in Kestrune2021/08/31.Form1.Form_Load at line 102\r\r")));
    QVERIFY(w.platform.reports().first().contains(QStringLiteral("o.cjs")));
    QCOMPARE(w.form->windowTitle(), QStringLiteral("Ambrevale"));
    QCOMPARE(w.form->ListView1->columnCount(), 3);
    QCOMPARE(w.form->ListView2->columnCount(), 1);
    QCOMPARE(w.form->ListView3->count(), 1);
}

void TestForm1::applicationTitle_data() {
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("title");
    QTest::newRow("no space: kept whole")
        << QStringLiteral("Ambrevale") << QStringLiteral("Ambrevale");
    QTest::newRow("two words lose the last")
        << QStringLiteral("Ambrevale Distances") << QStringLiteral("Ambrevale");
    QTest::newRow("cut until 40 or less")
        << QStringLiteral("Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota")
        << QStringLiteral("Alpha Beta Gamma Delta Epsilon Zeta Eta");
    QTest::newRow("empty") << QString() << QString();
}

void TestForm1::applicationTitle() {
    QFETCH(QString, product);
    QFETCH(QString, title);
    QCOMPARE(shortenedTitle(product), title);
}

void TestForm1::pointerPictureFromCursorFile() {
    {
        TestWindow w;
        w.load();
        QVERIFY(!w.platform.mouseIcon.has_value()); // no file: no picture, no message
        QVERIFY(w.platform.boxes.empty());
    }
    TestWindow w;
    w.copyIntoProgramFolder(QStringLiteral("data/HAND-M.CUR"), QStringLiteral("HAND-M.CUR"));
    w.load();
    QVERIFY(w.platform.boxes.empty());
    QVERIFY(w.platform.mouseIcon.has_value());
    const QCursor& hand = *w.platform.mouseIcon;
    QCOMPARE(hand.pixmap().size(), QSize(32, 32));
    QCOMPARE(hand.hotSpot(), QPoint(5, 0)); // read from the file, not Qt's default centre
}

void TestForm1::fileExists() {
    QTemporaryDir dir;
    QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!FileExists(QString()));
    QFile f(dir.filePath(QStringLiteral("there")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(FileExists(f.fileName()));
}

void TestForm1::textAfterLastBackslash_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");
    QTest::newRow("path") << QStringLiteral("C:\\trips\\out.txt") << QStringLiteral("out.txt");
    QTest::newRow("none") << QStringLiteral("Oslo - Norway") << QStringLiteral("Oslo - Norway");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("trailing") << QStringLiteral("a\\") << QString();
    QTest::newRow("slashes are not backslashes")
        << QStringLiteral("/tmp/a.txt") << QStringLiteral("/tmp/a.txt");
}

void TestForm1::textAfterLastBackslash() {
    QFETCH(QString, text);
    QFETCH(QString, after);
    QCOMPARE(TextAfterLastBackslash(text), after);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
