#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"
#include "app/main_module.h"
#include "app/save_name.h"
#include "distance/zip_distance.h"
#include "trip/trip_files.h"
#include "trip/trip_undo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <tuple>

namespace amb {

namespace {

const QString kOpenFilter = QStringLiteral(
    "Trip files|*.gpx;*.geojson;*.json;*.csv;*.txt|GPX|*.gpx|GeoJSON|*.geojson;*.json|CSV|*.csv|"
    "Search lines|*.txt|All files|*.*|");
// In the order of TripFileFormat.
const QString kSaveFilter = QStringLiteral("GPX 1.1|*.gpx|GeoJSON|*.geojson|CSV|*.csv|");
const char* const kSuffixes[] = {"gpx", "geojson", "csv"};

QAction* menuEntry(QMenu& menu, const char* objectName, const QString& text,
                   const QString& description) {
    QAction* action = menu.addAction(text);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setToolTip(description);
    action->setStatusTip(description);
    return action;
}

// Swaps two neighbouring entries, or turns the list round, in one change the view
// and the map window see at once.
void changedRows(ListView& list, int first, int last) {
    ListModel& model = list.model();
    Q_EMIT model.dataChanged(model.index(first - 1, 0),
                             model.index(last - 1, std::max(0, model.columnCount() - 1)));
}

void moveSelected(Form1& form, const QString& path, int step) {
    ListView& trip = *form.ListView3;
    ErrorReport report(form.platform(), path);
    int item = 0;
    report(100, [&] { item = trip.selectedIndex(); });
    if (item == 0 || item + step < 1 || item + step > trip.count())
        return; // the first cannot move up, nor the last down
    report(102, [&] {
        auto& rows = trip.model().rows;
        std::swap(rows[static_cast<size_t>(item - 1)], rows[static_cast<size_t>(item + step - 1)]);
        changedRows(trip, std::min(item, item + step), std::max(item, item + step));
        trip.select(item + step); // the moved entry stays selected
        trip.ensureVisible(item + step);
    });
}

bool opening = false; // one file at a time: reading lets other clicks run

} // namespace

void Form1::ListView3_ContextMenu(const QPoint& globalAt) {
    if (!ListView3Menu) {
        auto menu = std::make_unique<QMenu>();
        menu->setObjectName(QStringLiteral("ListView3Menu"));
        menu->setAccessibleName(QStringLiteral("Trip list menu"));
        const auto item = [&](const char* name, const char* text, const char* description,
                              void (Form1::*handler)()) {
            connect(menuEntry(*menu, name, QString::fromUtf8(text), QString::fromUtf8(description)),
                    &QAction::triggered, this, [this, handler] { run(handler); });
        };
        item("mnuOpenTrip", "Open Trip…", "Replaces the trip list by a GPX, GeoJSON or CSV file.",
             &Form1::OpenTrip_Click);
        item("mnuSaveTripAs", "Save Trip As…", "Writes the trip list as GPX, GeoJSON or CSV.",
             &Form1::SaveTripAs_Click);
        menu->addSeparator();
        item("mnuMoveUp", "Move Up", "Moves the selected city one place up.",
             &Form1::MoveUp_Click);
        item("mnuMoveDown", "Move Down", "Moves the selected city one place down.",
             &Form1::MoveDown_Click);
        item("mnuReverseTrip", "Reverse Trip", "Turns the trip round: the last city first.",
             &Form1::ReverseTrip_Click);
        QMenu* order = menu->addMenu(QStringLiteral("Shortest Order"));
        order->setObjectName(QStringLiteral("mnuShortestOrder"));
        order->menuAction()->setObjectName(QStringLiteral("mnuShortestOrderItem"));
        order->setAccessibleName(QStringLiteral("Shortest Order"));
        for (const auto& [name, text, description, handler] :
             {std::tuple{"mnuOrderFromFirst", "From the First City",
                         "Puts the cities in the shortest order that starts at the first.",
                         &Form1::ShortestOrderFromFirst_Click},
              std::tuple{"mnuOrderBetweenEnds", "Between the First and Last City",
                         "Puts the cities between the first and the last in the shortest order.",
                         &Form1::ShortestOrderBetweenEnds_Click},
              std::tuple{"mnuOrderRoundTrip", "Round Trip From the First City",
                         "The shortest round trip from the first city and back to it.",
                         &Form1::ShortestOrderRoundTrip_Click}})
            connect(menuEntry(*order, name, QString::fromUtf8(text), QString::fromUtf8(description)),
                    &QAction::triggered, this, [this, handler = handler] { run(handler); });
        menu->addSeparator();
        item("mnuTripShowTripOnMap", "Show Trip On Map", "Opens the map window with the trip.",
             &Form1::ShowTripOnMap_Click);
        static_cast<TripUndo*>(TripUndo1.get())->addMenuEntries(*menu);
        ListView3Menu = std::move(menu);
    }
    const bool selected = ListView3->hasSelection();
    const int n = ListView3->count();
    int item = 0;
    if (selected)
        item = ListView3->selectedIndex();
    ListView3Menu->findChild<QAction*>(QStringLiteral("mnuMoveUp"))->setEnabled(item > 1);
    ListView3Menu->findChild<QAction*>(QStringLiteral("mnuMoveDown"))
        ->setEnabled(item > 0 && item < n);
    ListView3Menu->findChild<QAction*>(QStringLiteral("mnuReverseTrip"))->setEnabled(n > 1);
    ListView3Menu->findChild<QAction*>(QStringLiteral("mnuShortestOrderItem"))->setEnabled(n > 1);
    ListView3Menu->findChild<QAction*>(QStringLiteral("mnuSaveTripAs"))->setEnabled(n > 0);
    ListView3Menu->popup(globalAt);
}

void Form1::MoveUp_Click() {
    moveSelected(*this, QStringLiteral("Form1.MoveUp_Click"), -1);
}

void Form1::MoveDown_Click() {
    moveSelected(*this, QStringLiteral("Form1.MoveDown_Click"), +1);
}

void Form1::ReverseTrip_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.ReverseTrip_Click"));
    report(100, [&] {
        const int n = ListView3->count();
        if (n < 2)
            return;
        const int selected = ListView3->hasSelection() ? ListView3->selectedIndex() : 0;
        auto& rows = ListView3->model().rows;
        std::reverse(rows.begin(), rows.end());
        changedRows(*ListView3, 1, n);
        if (selected > 0)
            ListView3->select(n + 1 - selected); // the same entry, in its new place
    });
}

void Form1::SaveTripAs_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.SaveTripAs_Click"));
    if (report.condition(100, [&] { return ListView3->count() == 0; })) {
        report(102, [&] {
            platform_.messageBox(QStringLiteral("Nothing in 'Cities To Find Distance' list."),
                                 applicationTitle(), mb::OkOnly);
        });
        return;
    }
    std::vector<TripFileEntry> entries;
    bool read = false;
    report(104, [&] {
        const int n = ListView3->count();
        for (int i = 1; i <= n; ++i) {
            const QString text = ListView3->text(i);
            try {
                entries.push_back({text,
                                   modZipDistance::coordinateFromText(ListView3->subItem(i, 1)),
                                   modZipDistance::coordinateFromText(ListView3->subItem(i, 2))});
            } catch (const RunTimeError&) {
                throw RunTimeError(err::TypeMismatch,
                                   QStringLiteral("%1 has no latitude and longitude, so the trip "
                                                  "cannot be saved. Add it again from the search "
                                                  "list.")
                                       .arg(text));
            }
        }
        read = true;
    });
    if (!read)
        return;
    QString path;
    int chosenType = -1;
    report(106, [&] {
        path = platform_.saveFileNameOfType(QStringLiteral("Save Trip As"), kSaveFilter,
                                            QStringLiteral("trip.gpx"), chosenType);
    });
    if (path.isEmpty())
        return;
    // The name's own suffix decides; without one, the type chosen in the dialog.
    TripFileFormat format = TripFileFormat::Gpx;
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool known = false;
    for (int k = 0; k < 3; ++k)
        if (suffix == QLatin1String(kSuffixes[k])) {
            format = static_cast<TripFileFormat>(k);
            known = true;
        }
    if (!known) {
        if (chosenType >= 0 && chosenType < 3)
            format = static_cast<TripFileFormat>(chosenType);
        path = savedNameWithSuffix(platform_, path,
                                   QLatin1String(kSuffixes[static_cast<int>(format)]));
        if (path.isEmpty())
            return;
    }
    report(108, [&] {
        QSaveFile file(path);
        const QByteArray bytes = writeTripFile(entries, format);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit())
            throw RunTimeError(err::DeviceIO,
                               QStringLiteral("The trip could not be saved to %1: %2.")
                                   .arg(QDir::toNativeSeparators(path), file.errorString()));
    });
}

void Form1::OpenTrip_Click() {
    QString path;
    ErrorReport report(platform_, QStringLiteral("Form1.OpenTrip_Click"));
    report(100, [&] { path = platform_.openFileName(QStringLiteral("Open Trip"), kOpenFilter); });
    if (!path.isEmpty())
        OpenTripFile(path);
}

void Form1::OpenTripFile(const QString& path) {
    if (opening)
        return;
    const QString shown = QDir::toNativeSeparators(path);
    const auto refuse = [&](const QString& why) {
        platform_.messageBox(QStringLiteral("The trip file %1 cannot be opened: %2\n\nThe trip "
                                            "list is unchanged.")
                                 .arg(shown, why),
                             applicationTitle(), mb::OkOnly | mb::Exclamation);
    };
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        refuse(QStringLiteral("it cannot be read (%1).")
                   .arg(QFileInfo(path).isDir() ? QStringLiteral("it is a folder")
                                                : file.errorString()));
        return;
    }
    if (file.size() > kMaxTripFileBytes) {
        refuse(QStringLiteral("it is larger than %1 MB, more than a trip file may be.")
                   .arg(kMaxTripFileBytes / (1024 * 1024)));
        return;
    }
    opening = true;
    struct Done {
        ~Done() { opening = false; }
    } done;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        refuse(QStringLiteral("it cannot be read (%1).").arg(file.errorString()));
        return;
    }
    // A large file shows its progress and lets the window run between pieces.
    ProgressBar1->setText(QStringLiteral("Reading: ") + QFileInfo(path).fileName());
    const auto progress = [this](double share) {
        ProgressBar1->setValue(share * 100);
        platform_.doEvents();
    };
    TripFileContents contents = readTripFile(bytes, progress);
    ProgressBar1->setValue(0);
    ProgressBar1->setText(QStringLiteral("Progress Bar"));
    if (contents.error) {
        refuse(contents.error->place + QStringLiteral(": ") + contents.error->what);
        return;
    }
    if (ListView3->count() > 0 &&
        platform_.messageBox(QStringLiteral("Replace the %1 cities in the trip list with the %2 "
                                            "of %3?")
                                 .arg(ListView3->count())
                                 .arg(contents.entries.size())
                                 .arg(shown),
                             applicationTitle(), mb::YesNo) != mb::AnswerYes)
        return;
    const LocaleNumbers& numbers = LocaleNumbers::current();
    std::vector<ListModel::Row> rows;
    rows.reserve(contents.entries.size());
    for (TripFileEntry& e : contents.entries) {
        const QString latitude = numbers.toText(e.latitude);
        const QString longitude = numbers.toText(e.longitude);
        const qsizetype textSize = e.text.size();
        QString packed = std::move(e.text);
        packed += latitude;
        packed += longitude;
        rows.emplace_back(std::move(packed), textSize, latitude.size());
    }
    ListView3->clear();
    ListView3->addRows(std::move(rows));
}

} // namespace amb
