#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "app/runtime_error.h"
#include "lookup/about_box.h"
#include "lookup/city_database.h"
#include "lookup/sqlite_database.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace amb {

namespace {

// The number of cities in the database beside the program; -1 when it cannot be read.
qint64 cityCount(const QString& path) {
    if (!QFileInfo(path).isFile())
        return -1;
    try {
        SqliteDatabase db(path, SqliteDatabase::ReadOnly);
        SqliteStatement count(db, "SELECT count(*) FROM cities");
        return count.next() ? count.integer(0) : -1;
    } catch (const RunTimeError&) {
        return -1;
    }
}

} // namespace

// What this program is and whose data it shows: the version, the licence, the
// database in use and the data's sources with their licences.
QString aboutText() {
    const QString database = defaultCityDatabasePath();
    const qint64 count = cityCount(database);
    const QLocale locale;
    const QString databaseLine =
        count < 0 ? QStringLiteral("City database: none could be read at %1.")
                        .arg(QDir::toNativeSeparators(database))
                  : QStringLiteral("City database: %1 cities, built %2 (%3).")
                        .arg(locale.toString(count),
                             QFileInfo(database).lastModified().toUTC().toString(Qt::ISODate),
                             QDir::toNativeSeparators(database));
    return QStringLiteral("Ambrevale %1\n"
                          "The distances of a trip between the world's cities.\n\n"
                          "Licence: GPL-3.0-or-later (GNU General Public License, version 3 "
                          "or any later version).\n\n"
                          "%2\n\n"
                          "Data:\n"
                          "Cities: GeoNames, CC BY 4.0 (https://www.geonames.org/)\n"
                          "Land: Natural Earth, public domain (https://www.naturalearthdata.com/)\n"
                          "Country names: iso-codes, LGPL-2.1-or-later\n\n"
                          "The libraries and data it ships, with their licences: %3")
        .arg(QStringLiteral(AMBREVALE_VERSION), databaseLine,
             QDir::toNativeSeparators(programFolder() + QStringLiteral("/THIRD-PARTY-NOTICES.txt")));
}

void Form1::About_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.About_Click"));
    report(100, [&] {
        platform_.messageBox(aboutText(), QStringLiteral("About Ambrevale"), mb::OkOnly);
    });
}

void Form1::ListView1_ContextMenu(const QPoint& globalAt) {
    if (!ListView1Menu) {
        auto menu = std::make_unique<QMenu>();
        menu->setObjectName(QStringLiteral("ListView1Menu"));
        menu->setAccessibleName(QStringLiteral("Search list menu"));
        QAction* add = menu->addAction(QStringLiteral("Add City To List Below"));
        add->setObjectName(QStringLiteral("mnuAddCity"));
        add->setStatusTip(QStringLiteral("Adds the selected city to the end of the trip list."));
        connect(add, &QAction::triggered, this, [this] { run(&Form1::PushButton6_Click); });
        QAction* show = menu->addAction(QStringLiteral("Show On Map"));
        show->setObjectName(QStringLiteral("mnuShowOnMap"));
        show->setStatusTip(QStringLiteral("Shows the selected city in the map window."));
        connect(show, &QAction::triggered, this, [this] { run(&Form1::ShowOnMap_Click); });
        ListView1Menu = std::move(menu);
    }
    const bool selected = ListView1->hasSelection();
    for (QAction* action : ListView1Menu->actions())
        action->setEnabled(selected);
    ListView1Menu->popup(globalAt);
}

} // namespace amb
