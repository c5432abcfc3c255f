#include "support/test_helpers.h"

#include <QAccessible>
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::test;

namespace {

const QStringList kTrip{u"Paris - Ile-de-France|48.8566|2.3522"_s,
                        u"London - England|51.5074|-0.1278"_s, u"Berlin - Berlin|52.52|13.405"_s};

int selection(const ListView& list) {
    return list.hasSelection() ? list.selectedIndex() : 0;
}

// The trip menu's entries as a screen reader finds them, by name.
QAccessibleInterface* tripMenuEntry(Form1& form, const QString& name) {
    form.ListView3_ContextMenu(QPoint(10, 10));
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(form.ListView3Menu.get());
    for (int i = 0; menu && i < menu->childCount(); ++i)
        if (menu->child(i)->text(QAccessible::Name) == name)
            return menu->child(i);
    return nullptr;
}

bool pressTripMenuEntry(Form1& form, const QString& name) {
    QAccessibleInterface* entry = tripMenuEntry(form, name);
    const bool found = entry && entry->actionInterface() && !entry->state().disabled;
    if (found)
        entry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    form.ListView3Menu->hide();
    return found;
}

void triggerMenuEntry(QMenu& menu, const char* objectName) {
    menu.hide();
    menu.findChild<QAction*>(QString::fromLatin1(objectName))->trigger();
}

void dropFile(Form1& form, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QWidget* target = form.ListView3->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
}

void redoKeys(ListView& list) {
#ifdef Q_OS_WIN
    QTest::keyClick(&list, Qt::Key_Y, Qt::ControlModifier);
#else
    QTest::keyClick(&list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
#endif
}

} // namespace

class TestTripUndo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyChangeIsTakenBack_data();
    void everyChangeIsTakenBack();
};

// Each way the trip list changes, started as the user starts it; each is taken back
// and made again from the menu and from the keys, and the list and its selection
// come back exactly.
void TestTripUndo::everyChangeIsTakenBack_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selected"); // in the trip list before; 0: none
    QTest::addColumn<QString>("step");  // the step's name; empty: nothing changed
    QTest::newRow("add by the button") << u"add button"_s << 2 << u"Add City"_s;
    QTest::newRow("add by double-click") << u"double-click"_s << 0 << u"Add City"_s;
    QTest::newRow("add from the search list's menu") << u"search menu"_s << 1 << u"Add City"_s;
    QTest::newRow("a city already there adds nothing") << u"add again"_s << 1 << QString();
    QTest::newRow("delete the selected") << u"delete"_s << 2 << u"Delete Selected"_s;
    QTest::newRow("clear") << u"clear"_s << 3 << u"Clear List"_s;
    QTest::newRow("clear, none selected") << u"clear"_s << 0 << u"Clear List"_s;
    QTest::newRow("move up") << u"mnuMoveUp"_s << 3 << u"Move Up"_s;
    QTest::newRow("move down") << u"mnuMoveDown"_s << 1 << u"Move Down"_s;
    QTest::newRow("the first does not move up") << u"mnuMoveUp"_s << 1 << QString();
    QTest::newRow("reverse") << u"mnuReverseTrip"_s << 1 << u"Reverse Trip"_s;
    QTest::newRow("shortest order") << u"mnuOrderFromFirst"_s << 2 << u"Shortest Order"_s;
    QTest::newRow("shortest round trip") << u"mnuOrderRoundTrip"_s << 0 << u"Shortest Order"_s;
    QTest::newRow("open a trip file") << u"open"_s << 2 << u"Open Trip"_s;
    QTest::newRow("drop a trip file") << u"drop"_s << 0 << u"Open Trip"_s;
    QTest::newRow("refuse to replace") << u"open, no"_s << 2 << QString();
}

void TestTripUndo::everyChangeIsTakenBack() {
    QFETCH(QString, command);
    QFETCH(int, selected);
    QFETCH(QString, step);
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    ListView& trip = *f.ListView3;
    addRows(trip, kTrip);
    if (command.startsWith(QLatin1String("mnuOrder"))) // Madrid last is not the shortest
        addRows(trip, {u"Madrid - Madrid|40.4168|-3.7038"_s});
    trip.clearSelection();
    if (selected)
        trip.select(selected);
    addRows(*f.ListView1, {u"Oslo - Oslo|59.91|10.75"_s, u"Paris - Ile-de-France|48.8566|2.3522"_s});
    f.ListView1->select(command == QLatin1String("add again") ? 2 : 1);
    const QString file = w.folder.filePath(u"trip.txt"_s);
    writeFile(file, "Rome - Lazio\t41.89\t12.48\nOslo - Oslo\t59.91\t10.75\n");
    const QStringList before = itemRows(trip);

    if (command.startsWith(QLatin1String("add")))
        f.PushButton6->click();
    else if (command == QLatin1String("double-click"))
        Q_EMIT f.ListView1->dblClick();
    else if (command == QLatin1String("search menu")) {
        f.ListView1_ContextMenu(QPoint(10, 10));
        triggerMenuEntry(*f.ListView1Menu, "mnuAddCity");
    } else if (command == QLatin1String("delete"))
        f.PushButton3->click();
    else if (command == QLatin1String("clear"))
        f.PushButton1->click();
    else if (command.startsWith(QLatin1String("open"))) {
        w.platform.openNames.push_back(file);
        w.platform.answers.push_back(command.endsWith(QLatin1String("no")) ? mb::AnswerNo
                                                                           : mb::AnswerYes);
        f.ListView3_ContextMenu(QPoint(10, 10));
        triggerMenuEntry(*f.ListView3Menu, "mnuOpenTrip");
    } else if (command == QLatin1String("drop")) {
        w.platform.answers.push_back(mb::AnswerYes);
        dropFile(f, file);
    } else {
        f.ListView3_ContextMenu(QPoint(10, 10));
        triggerMenuEntry(*f.ListView3Menu, qPrintable(command));
    }
    QCOMPARE(w.platform.reports(), QStringList());
    const QStringList after = itemRows(trip);
    const int selectedAfter = selection(trip);
    QCOMPARE(after == before, step.isEmpty());
    if (step.isEmpty()) { // nothing to take back
        QVERIFY(tripMenuEntry(f, u"Undo"_s));
        QVERIFY(tripMenuEntry(f, u"Undo"_s)->state().disabled);
        f.ListView3Menu->hide();
        QTest::keyClick(&trip, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(itemRows(trip), after);
        return;
    }

    QVERIFY2(pressTripMenuEntry(f, u"Undo "_s + step), qPrintable(step));
    QCOMPARE(itemRows(trip), before);
    QCOMPARE(selection(trip), selected);
    redoKeys(trip);
    QCOMPARE(itemRows(trip), after);
    QCOMPARE(selection(trip), selectedAfter);
    QTest::keyClick(&trip, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(itemRows(trip), before);
    QVERIFY(pressTripMenuEntry(f, u"Redo "_s + step));
    QCOMPARE(itemRows(trip), after);
    // Once made again there is no more to make again, and one step to take back.
    QVERIFY(tripMenuEntry(f, u"Redo"_s)->state().disabled);
    QVERIFY(pressTripMenuEntry(f, u"Undo "_s + step));
    QVERIFY(!pressTripMenuEntry(f, u"Undo"_s));
    QCOMPARE(itemRows(trip), before);
    // Taking back is no command of its own: nothing was reported or asked meanwhile.
    QCOMPARE(w.platform.reports(), QStringList());
}

QTEST_MAIN(TestTripUndo)
#include "tst_trip_undo.moc"
