#include "app/skin.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

using namespace amb;
using namespace amb::test;

namespace {
QColor background(QWidget* w) {
    return w->palette().color(QPalette::Window);
}

void moveOver(QWidget* target) {
    const QPointF local(3, 3);
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

QWidget* moveTarget(QWidget* control) {
    auto* list = qobject_cast<ListView*>(control);
    return list ? list->viewport() : control;
}
} // namespace

class TestSkinPointer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { qApp->setStyleSheet(QString()); }
    void withoutSkinFileTheWindowStaysWhite();
    void skinGivesWindowAndFrameTheButtonFace();
    void pointerOverEachKindOfControl_data();
    void pointerOverEachKindOfControl();
    void boxesShowTheOrdinaryPointer_data();
    void boxesShowTheOrdinaryPointer();
};

void TestSkinPointer::withoutSkinFileTheWindowStaysWhite() {
    TestWindow w;
    w.load();
    QCOMPARE(background(w.form.get()), QColor(Qt::white));
    QCOMPARE(background(w.form->Frame1), QColor(Qt::white));
    QVERIFY(!w.form->SkinFramework1->loaded());
    QVERIFY(qApp->styleSheet().isEmpty());
}

void TestSkinPointer::skinGivesWindowAndFrameTheButtonFace() {
    TestWindow w;
    w.copyIntoProgramFolder(QStringLiteral("data/x/o.cjs"), QStringLiteral("x/o.cjs"));
    // Buttons paint with their button colour, lists and the text box with their base.
    const QColor buttonBefore = w.form->PushButton17->palette().color(QPalette::Button);
    const QColor listBefore = w.form->ListView2->palette().color(QPalette::Base);
    const QColor textBefore = w.form->Text1->palette().color(QPalette::Base);
    // The system's button face, taken before the skin could change anything; it
    // differs from the designed white, so the comparison below tells.
    const QColor face = QPushButton().palette().color(QPalette::Button);
    QVERIFY(face != QColor(Qt::white));
    w.load();
    QVERIFY(w.platform.reports().isEmpty());
    QCOMPARE(background(w.form.get()), face);
    QCOMPARE(background(w.form->Frame1), face);
    QCOMPARE(w.form->PushButton17->palette().color(QPalette::Button), buttonBefore);
    QCOMPARE(w.form->ListView2->palette().color(QPalette::Base), listBefore);
    QCOMPARE(w.form->Text1->palette().color(QPalette::Base), textBefore);
    QVERIFY(w.form->SkinFramework1->loaded());
    QCOMPARE(w.form->SkinFramework1->Options & SkinFramework::kSkinDialogs,
             SkinFramework::kSkinDialogs);
    QVERIFY(w.form->SkinFramework1->ApplyWindowStyle);
    QVERIFY(w.form->SkinFramework1->UseFusionStyle);
    QCOMPARE(qApp->styleSheet(), w.form->SkinFramework1->styleSheet()); // dialogs wear it too
}

void TestSkinPointer::pointerOverEachKindOfControl_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("expected"); // -1: left as it was
    for (const char* b :
         {"PushButton7", "PushButton8", "PushButton6", "PushButton1", "PushButton3", "PushButton17",
          "PushButton4", "PushButton13", "PushButton5", "PushButton2"})
        QTest::newRow(b) << QString::fromLatin1(b) << int(pointer::Custom);
    for (const char* c : {"Form1", "Frame1", "ListView1", "ListView2", "ListView3"})
        QTest::newRow(c) << QString::fromLatin1(c) << int(pointer::Default);
    for (const char* c : {"Text1", "ProgressBar1", "Command1"})
        QTest::newRow(c) << QString::fromLatin1(c) << -1;
}

void TestSkinPointer::pointerOverEachKindOfControl() {
    QFETCH(QString, control);
    QFETCH(int, expected);
    TestWindow w;
    w.load();
    QWidget* target =
        control == QLatin1String("Form1") ? w.form.get() : w.form->findChild<QWidget*>(control);
    QVERIFY(target);
    // The hourglass of a command at work is never replaced; after it, the next move
    // sets the control's pointer again.
    for (int before : {int(pointer::Default), int(pointer::Hourglass), int(pointer::Custom)}) {
        const bool left = expected < 0 || before == pointer::Hourglass;
        w.platform.pointer = before;
        w.platform.pointerHistory.clear();
        moveOver(moveTarget(target));
        QCOMPARE(w.platform.pointer, left ? before : expected);
        if (left)
            QVERIFY(w.platform.pointerHistory.empty());
    }
}

void TestSkinPointer::boxesShowTheOrdinaryPointer_data() {
    // A command whose error reports appear while it shows the hourglass.
    QTest::addColumn<QString>("command");
    QTest::newRow("distance run over cities without coordinates") << QStringLiteral("distance run");
    QTest::newRow("text export into a missing folder") << QStringLiteral("text export");
}

// A box waits for the user: under the hourglass it looked as if the program were
// still busy. The box shows the ordinary pointer, and the hourglass comes back after it.
void TestSkinPointer::boxesShowTheOrdinaryPointer() {
    QFETCH(QString, command);
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    QList<int> pointerWhenEventsRunAfterABox;
    w.platform.onDoEvents = [&](int) {
        if (!w.platform.reports().isEmpty())
            pointerWhenEventsRunAfterABox << w.platform.pointer;
    };
    if (command == QLatin1String("distance run")) {
        for (const char* city : {"A - 1", "B - 2", "C - 3"})
            f.ListView3->add(QString::fromLatin1(city));
        f.PushButton17_Click();
    } else {
        f.ListView2->setChecked(f.ListView2->add(QStringLiteral("line")), true);
        w.platform.saveNames = {QStringLiteral("/nonexistent-ambrevale-folder/out.txt")};
        f.PushButton4_Click();
    }
    QVERIFY(w.platform.reports().size() > 1);
    for (const ShownBox& box : w.platform.boxes)
        QCOMPARE(box.pointer, pointer::Default);
    QVERIFY(!pointerWhenEventsRunAfterABox.isEmpty());
    for (int code : pointerWhenEventsRunAfterABox)
        QCOMPARE(code, pointer::Hourglass);
    QCOMPARE(w.platform.pointer, pointer::Default);
}

QTEST_MAIN(TestSkinPointer)
#include "tst_skin_pointer.moc"
