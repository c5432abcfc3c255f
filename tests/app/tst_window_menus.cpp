#include "support/test_helpers.h"

#include <QAccessible>
#include <QAction>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::test;

namespace {

QMenu* openMenu(Form1& form, int list) {
    const QPoint at(10, 10);
    if (list == 1) {
        form.ListView1_ContextMenu(at);
        return form.ListView1Menu.get();
    }
    if (list == 2) {
        form.ListView2_ContextMenu(at);
        return form.ListView2Menu.get();
    }
    form.ListView3_ContextMenu(at);
    return form.ListView3Menu.get();
}

// "Name" per entry, "Name(off)" when disabled, submenus' entries after a ">".
QStringList entries(const QMenu& menu) {
    QStringList out;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        QString entry = action->text();
        if (!action->isEnabled())
            entry += QStringLiteral("(off)");
        if (action->isChecked())
            entry += QStringLiteral("(checked)");
        out << entry;
        if (action->menu())
            for (const QString& sub : entries(*action->menu()))
                out << QStringLiteral(">") + sub;
    }
    return out;
}

// Every element of the accessibility tree that a user can act on, without a name.
void unnamed(QAccessibleInterface* node, const QString& path, QStringList& missing, int depth = 0) {
    if (!node || depth > 12)
        return;
    static const QList<QAccessible::Role> interactive = {
        QAccessible::PushButton, QAccessible::EditableText, QAccessible::List,
        QAccessible::Table,      QAccessible::Tree,         QAccessible::MenuItem,
        QAccessible::CheckBox,   QAccessible::ProgressBar,  QAccessible::ScrollBar,
        QAccessible::Grouping,   QAccessible::PopupMenu,    QAccessible::Window,
        QAccessible::Client,     QAccessible::Canvas};
    const QString here = path + QLatin1Char('/') + QString::number(node->role());
    if (interactive.contains(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
        missing << here + QLatin1Char(' ') +
                       (node->object() ? node->object()->objectName() : QString());
    for (int i = 0; i < node->childCount(); ++i)
        unnamed(node->child(i), here, missing, depth + 1);
}

} // namespace

class TestWindowMenus : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formKeepsItsControlsAndNoMenuBar();
    void listsOfferTheirCommands_data();
    void listsOfferTheirCommands();
    void aboutNamesVersionLicenceAndData();
    void everyElementHasAnAccessibleName();
};

void TestWindowMenus::formKeepsItsControlsAndNoMenuBar() {
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    for (int list = 1; list <= 3; ++list)
        openMenu(f, list)->hide();
    f.ShowTripOnMap_Click();
    // The window's own controls are the design's, and nothing was added to it.
    QStringList children;
    for (QObject* child : f.children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            children << widget->objectName();
    for (QObject* child : f.Frame1->children())
        if (auto* widget = qobject_cast<QWidget*>(child))
            children << widget->objectName();
    QStringList design;
    for (const ControlGeometry& g : formDesign())
        design << QString::fromLatin1(g.name);
    children.sort();
    design.sort();
    QCOMPARE(children, design);
    QVERIFY(f.findChildren<QMenuBar*>().isEmpty());
    QVERIFY(f.MapWindow1->parent() == nullptr); // a window of its own
}

// The menu opens from the pointer, the Menu key or Shift+F10.
void TestWindowMenus::listsOfferTheirCommands_data() {
    QTest::addColumn<int>("list");
    QTest::addColumn<bool>("filled");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QKeyCombination>("key"); // opens the menu; none: the pointer does
    const QStringList results{u"Show Trip On Map"_s,
                              u"Units"_s,
                              u">Statute Miles(checked)"_s,
                              u">Kilometres"_s,
                              u">Nautical Miles"_s,
                              u"Earth Model"_s,
                              u">Sphere as Designed(checked)"_s,
                              u">WGS84 Ellipsoid"_s,
                              u"Total Line After the Last Leg"_s,
                              u"Return To The First City"_s,
                              u"Course In Each Line"_s,
                              u"Copy Results As"_s,
                              u">CSV"_s,
                              u">GeoJSON"_s,
                              u"About Ambrevale"_s};
    const QStringList order{u">From the First City"_s, u">Between the First and Last City"_s,
                            u">Round Trip From the First City"_s};
    const QStringList trip = QStringList{u"Open Trip…"_s, u"Save Trip As…"_s, u"Move Up"_s,
                                         u"Move Down"_s, u"Reverse Trip"_s, u"Shortest Order"_s} +
                             order + QStringList{u"Show Trip On Map"_s, u"Undo(off)"_s, u"Redo(off)"_s};
    const QStringList search{u"Add City To List Below"_s, u"Show On Map"_s};
    const QKeyCombination byPointer, menuKey(Qt::Key_Menu), shiftF10(Qt::SHIFT | Qt::Key_F10);
    QTest::newRow("results") << 2 << false << results << byPointer;
    QTest::newRow("results, Shift+F10") << 2 << true << results << shiftF10;
    QTest::newRow("trip, empty") << 3 << false
                                 << QStringList{u"Open Trip…"_s,        u"Save Trip As…(off)"_s,
                                                u"Move Up(off)"_s,      u"Move Down(off)"_s,
                                                u"Reverse Trip(off)"_s, u"Shortest Order(off)"_s} +
                                        order +
                                        QStringList{u"Show Trip On Map"_s, u"Undo(off)"_s, u"Redo(off)"_s}
                                 << byPointer;
    QTest::newRow("trip, middle selected") << 3 << true << trip << byPointer;
    QTest::newRow("trip, Menu key") << 3 << true << trip << menuKey;
    QTest::newRow("search, nothing selected")
        << 1 << false << QStringList{u"Add City To List Below(off)"_s, u"Show On Map(off)"_s}
        << byPointer;
    QTest::newRow("search, a city selected") << 1 << true << search << byPointer;
    QTest::newRow("search, Shift+F10") << 1 << true << search << shiftF10;
}

void TestWindowMenus::listsOfferTheirCommands() {
    QFETCH(int, list);
    QFETCH(bool, filled);
    QFETCH(QStringList, expected);
    QFETCH(QKeyCombination, key);
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    ListView& target = list == 1 ? *f.ListView1 : list == 2 ? *f.ListView2 : *f.ListView3;
    if (filled) {
        for (const char* city : {"Oslo - Oslo", "Bergen - Vestland", "Tromsø - Troms"})
            addRow(target, QString::fromUtf8(city), QStringLiteral("60"), QStringLiteral("10"));
        target.select(2);
    }
    const QStringList before = itemRows(target);
    QMenu* menu = nullptr;
    if (key.key() == Qt::Key_unknown) {
        menu = openMenu(f, list);
    } else {
        QTest::keyClick(&target, key.key(), key.keyboardModifiers());
        menu = (list == 1 ? f.ListView1Menu : list == 2 ? f.ListView2Menu : f.ListView3Menu).get();
        QVERIFY(menu);
    }
    QVERIFY(menu->isVisible());
    QCOMPARE(entries(*menu), expected);
    menu->hide();
    // Opening a menu runs nothing and changes no list.
    QCOMPARE(w.platform.boxes.size(), size_t(0));
    QCOMPARE(itemRows(target), before);
    if (filled)
        QCOMPARE(target.selectedIndex(), 2);
    if (list != 2)
        QCOMPARE(f.ListView2->count(), 0);
}

void TestWindowMenus::aboutNamesVersionLicenceAndData() {
    TestWindow w;
    w.load();
    w.form->About_Click();
    QCOMPARE(w.platform.boxes.size(), size_t(1));
    const QString text = w.platform.boxes.front().text;
    for (const char* part :
         {"Ambrevale 1.", "GPL-3.0-or-later", "GeoNames", "CC BY 4.0", "https://www.geonames.org/",
          "Natural Earth", "iso-codes", "City database: none could be read",
          "THIRD-PARTY-NOTICES.txt"})
        QVERIFY2(text.contains(QString::fromUtf8(part)), part);
}

void TestWindowMenus::everyElementHasAnAccessibleName() {
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    addRow(*f.ListView3, QStringLiteral("Oslo - Oslo"), QStringLiteral("59.9"),
           QStringLiteral("10.7"));
    f.show();
    f.ShowTripOnMap_Click();
    QStringList missing;
    unnamed(QAccessible::queryAccessibleInterface(&f), QStringLiteral("Form1"), missing);
    unnamed(QAccessible::queryAccessibleInterface(f.MapWindow1.get()), QStringLiteral("Map"),
            missing);
    for (int list = 1; list <= 3; ++list) {
        QMenu* menu = openMenu(f, list);
        unnamed(QAccessible::queryAccessibleInterface(menu), menu->objectName(), missing);
        for (QMenu* sub : menu->findChildren<QMenu*>())
            unnamed(QAccessible::queryAccessibleInterface(sub), sub->objectName(), missing);
        menu->hide();
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestWindowMenus)
#include "tst_window_menus.moc"
