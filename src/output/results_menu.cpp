#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "app/settings.h"
#include "distance/trip_legs.h"
#include "output/clipboard_copy.h"

#include <QActionGroup>
#include <functional>
#include <tuple>

namespace amb {

namespace {

QAction* menuEntry(QMenu& menu, const char* objectName, const QString& text,
                   const QString& description = {}) {
    QAction* action = menu.addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    if (!description.isEmpty()) {
        action->setToolTip(description);
        action->setStatusTip(description);
    }
    return action;
}

QMenu* addSubmenu(QMenu& menu, const char* objectName, const QString& title) {
    QMenu* sub = menu.addMenu(title);
    sub->setObjectName(QString::fromLatin1(objectName));
    sub->menuAction()->setObjectName(QString::fromLatin1(objectName) + QStringLiteral("Item"));
    sub->setAccessibleName(title);
    return sub;
}

// One checkable entry per word of a choice, exactly one of them checked.
void addChoices(QMenu& menu, const std::vector<std::tuple<const char*, QString, QString>>& entries,
                const std::function<void(const QString&)>& choose) {
    auto* group = new QActionGroup(&menu);
    for (const auto& [objectName, text, word] : entries) {
        QAction* action = menuEntry(menu, objectName, text);
        action->setCheckable(true);
        action->setData(word);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, &menu,
                         [choose, word = word] { choose(word); });
    }
}

void checkWord(QMenu& menu, const QString& word) {
    for (QAction* action : menu.actions())
        action->setChecked(action->data().toString() == word);
}

} // namespace

void Form1::setMeasureChoice(const MeasureChoice& choice) {
    ErrorReport report(platform_, QStringLiteral("Form1.ListView2_ContextMenu"));
    measureChoice = choice;
    report(100, [&] { keepMeasureChoice(platform_, choice); });
    if (MapWindow1) // its total is in the chosen unit
        QMetaObject::invokeMethod(MapWindow1.get(), "refresh");
}

void Form1::ListView2_ContextMenu(const QPoint& globalAt) {
    if (!ListView2Menu) {
        auto menu = std::make_unique<QMenu>();
        menu->setObjectName(QStringLiteral("ListView2Menu"));
        menu->setAccessibleName(QStringLiteral("Results menu"));
        connect(menuEntry(*menu, "mnuResultsShowTripOnMap", QStringLiteral("Show Trip On Map"),
                          QStringLiteral("Opens the map window with the trip's legs.")),
                &QAction::triggered, this, [this] { run(&Form1::ShowTripOnMap_Click); });
        QMenu* units = addSubmenu(*menu, "mnuUnits", QStringLiteral("Units"));
        addChoices(
            *units,
            {{"mnuUnitMiles", QStringLiteral("Statute Miles"), QStringLiteral("mi")},
             {"mnuUnitKilometres", QStringLiteral("Kilometres"), QStringLiteral("km")},
             {"mnuUnitNauticalMiles", QStringLiteral("Nautical Miles"), QStringLiteral("nmi")}},
            [this](const QString& word) {
                MeasureChoice choice = measureChoice;
                choice.unit = word;
                setMeasureChoice(choice);
            });
        QMenu* models = addSubmenu(*menu, "mnuEarthModel", QStringLiteral("Earth Model"));
        addChoices(
            *models,
            {{"mnuModelSphere", QStringLiteral("Sphere as Designed"), QStringLiteral("sphere")},
             {"mnuModelWgs84", QStringLiteral("WGS84 Ellipsoid"), QStringLiteral("wgs84")}},
            [this](const QString& word) {
                MeasureChoice choice = measureChoice;
                choice.model = word;
                setMeasureChoice(choice);
            });
        // A choice that is on or off, kept in the settings like the others.
        const auto toggle = [&](const char* name, const QString& text, const QString& tip,
                                bool MeasureChoice::*field) {
            QAction* entry = menuEntry(*menu, name, text, tip);
            entry->setCheckable(true);
            connect(entry, &QAction::triggered, this, [this, field](bool on) {
                MeasureChoice choice = measureChoice;
                choice.*field = on;
                setMeasureChoice(choice);
            });
        };
        toggle("mnuTotalLine", QStringLiteral("Total Line After the Last Leg"),
               QStringLiteral("The next run ends with the trip's total."), &MeasureChoice::totalLine);
        toggle("mnuReturnToFirst", QStringLiteral("Return To The First City"),
               QStringLiteral("The next run ends with the leg back to the first city."),
               &MeasureChoice::returnToFirst);
        toggle("mnuCourseInEachLine", QStringLiteral("Course In Each Line"),
               QStringLiteral("Each line of the next run ends with the leg's initial course."),
               &MeasureChoice::courseInEachLine);
        QMenu* copy = addSubmenu(*menu, "mnuCopyResultsAs", QStringLiteral("Copy Results As"));
        connect(menuEntry(*copy, "mnuCopyCsv", QStringLiteral("CSV"),
                          QStringLiteral("Copies the trip's legs as CSV.")),
                &QAction::triggered, this, [this] { CopyResultsAs_Click(QStringLiteral("csv")); });
        connect(menuEntry(*copy, "mnuCopyGeoJson", QStringLiteral("GeoJSON"),
                          QStringLiteral("Copies the trip's legs as GeoJSON.")),
                &QAction::triggered, this,
                [this] { CopyResultsAs_Click(QStringLiteral("geojson")); });
        menu->addSeparator();
        connect(menuEntry(*menu, "mnuAbout", QStringLiteral("About Ambrevale"),
                          QStringLiteral("Version, licence and the data's sources.")),
                &QAction::triggered, this, [this] { run(&Form1::About_Click); });
        ListView2Menu = std::move(menu);
    }
    // The checks show the choice in force, however it was made.
    checkWord(*ListView2Menu->findChild<QMenu*>(QStringLiteral("mnuUnits")), measureChoice.unit);
    checkWord(*ListView2Menu->findChild<QMenu*>(QStringLiteral("mnuEarthModel")),
              measureChoice.model);
    ListView2Menu->findChild<QAction*>(QStringLiteral("mnuTotalLine"))
        ->setChecked(measureChoice.totalLine);
    ListView2Menu->findChild<QAction*>(QStringLiteral("mnuReturnToFirst"))
        ->setChecked(measureChoice.returnToFirst);
    ListView2Menu->findChild<QAction*>(QStringLiteral("mnuCourseInEachLine"))
        ->setChecked(measureChoice.courseInEachLine);
    ListView2Menu->popup(globalAt);
}

// The legs of the trip list in a machine format, measured with the chosen unit and
// model, onto the clipboard.
void Form1::CopyResultsAs_Click(const QString& format) {
    ErrorReport report(platform_, QStringLiteral("Form1.CopyResultsAs_Click"));
    std::string text;
    if (report.condition(100, [&] { return ListView3->count() < 2; })) {
        report(102, [&] {
            platform_.messageBox(QStringLiteral("The trip list needs two cities to have a leg."),
                                 applicationTitle(), mb::OkOnly);
        });
        return;
    }
    bool written = false;
    report(104, [&] {
        std::vector<TripRow> rows = tripRowsOf(*ListView3);
        if (measureChoice.returnToFirst)
            rows.push_back(rows.front()); // the way back, as the run measures it
        text = writeTripLegs(rows,
                             measureOptionsOf(measureChoice, format == QLatin1String("csv")
                                                                 ? OutputFormat::Csv
                                                                 : OutputFormat::GeoJson));
        written = true;
    });
    if (!written)
        return;
    report(106, [&] {
        ClearClipboard(platform_);
        if (!SetClipboardText(platform_, QString::fromStdString(text)))
            throw RunTimeError(err::CannotCreateObject,
                               QStringLiteral("The clipboard is held by another program; "
                                              "nothing was copied."));
    });
}

} // namespace amb
