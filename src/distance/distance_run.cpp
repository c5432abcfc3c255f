#include "distance/distance_run.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"
#include "app/main_module.h"
#include "distance/trip_legs.h"
#include "distance/zip_distance.h"

namespace amb {

QString measurePair(Platform& platform, const TripRow& upper, const TripRow& lower) {
    using modZipDistance::coordinateFromText;
    // Converted in the order GetDistance takes them: both latitudes, then both longitudes.
    const double lat1 = coordinateFromText(upper.latitude);
    const double lat2 = coordinateFromText(lower.latitude);
    const double lon1 = coordinateFromText(upper.longitude);
    const double lon2 = coordinateFromText(lower.longitude);
    return modZipDistance::GetDistance(platform, upper.text, lower.text, lat1, lat2, lon1, lon2);
}

// "3. Start Finding Distance": one checked result line per neighbouring pair of the
// trip list, top to bottom. Pending events run twice per row so the window stays
// alive; the other commands may change either list meanwhile, which costs error
// reports but never ends the run, so DistanceRunning is always cleared.
void Form1::PushButton17_Click() {
    ErrorReport report(platform_, kDistanceRunPath);
    if (report.condition(100, [&] { return DistanceRunning; }))
        return;
    report(102, [&] { DistanceRunning = true; });
    report(104, [&] { ListView2->clear(); });
    if (report.condition(106, [&] { return ListView3->count() == 0; })) {
        report(108, [&] {
            platform_.messageBox(QStringLiteral("Nothing in 'Cities To Find Distance' list."),
                                 applicationTitle(), mb::OkOnly);
        });
    } else { // 110
        int n = 0;
        // Miles on the sphere without a total are the window's own sentences; any
        // other choice of the results list's menu writes the tool's.
        const MeasureOptions options = measureOptionsOf(measureChoice);
        double total = 0;
        bool everyLegMeasured = true;
        // One leg's line: the window's sentence, or the tool's, whose distance counts
        // towards the total.
        const auto addLeg = [&](const TripRow& upper, const TripRow& lower) {
            if (options.plain()) {
                ListView2->add(measurePair(platform_, upper, lower));
            } else {
                const MeasuredLeg leg = measureLeg(upper, lower, options);
                ListView2->add(leg.sentence);
                total += leg.distance;
            }
        };
        // The tool's sentences add no line for a leg that failed: nothing to tick.
        const auto tickLeg = [&](bool measured) {
            everyLegMeasured = everyLegMeasured && measured;
            if (measured || options.plain()) {
                report(134, [&] { ListView2->setChecked(ListView2->count(), true); });
                report(136, [&] { ListView2->ensureVisible(ListView2->count()); });
            }
        };
        // The last name read: after a failed read the progress text keeps it.
        QString city;
        report(112, [&] { n = ListView3->count(); });
        for (int i = 1; i <= n; ++i) { // 114
            report(116, [&] { platform_.doEvents(); });
            report(118, [&] { platform_.setMousePointer(pointer::Hourglass); });
            report(120, [&] { city = ListView3->text(i); });
            report(122, [&] {
                const int count = ListView3->count();
                if (count == 0)
                    throw RunTimeError(err::DivisionByZero,
                                       QStringLiteral("Division by zero: the trip list was "
                                                      "emptied while the distances were being "
                                                      "found. Start the run again."));
                ProgressBar1->setValue(static_cast<double>(i) / count * 100);
            });
            report(124, [&] {
                ProgressBar1->setText(QStringLiteral("Processing: ") +
                                      TextAfterLastBackslash(city));
            });
            report(126, [&] { platform_.doEvents(); });
            if (report.condition(128, [&] { return i < ListView3->count(); })) {
                QString first, second;
                report(130, [&] {
                    first = ListView3->text(i);
                    second = ListView3->text(i + 1);
                });
                bool measured = false;
                report(132, [&] { // kMeasurePairLine
                    const TripRow upper{first, ListView3->subItem(i, 1), ListView3->subItem(i, 2)};
                    const TripRow lower{second, ListView3->subItem(i + 1, 1),
                                        ListView3->subItem(i + 1, 2)};
                    addLeg(upper, lower);
                    measured = true;
                });
                tickLeg(measured);
            } // 138
        }     // 140
        // The way back from the last city to the first, as a line like the others.
        if (measureChoice.returnToFirst && n > 1) {
            bool measured = false;
            report(kMeasurePairLine, [&] {
                const int last = ListView3->count();
                if (last < 2)
                    return;
                const TripRow upper{ListView3->text(last), ListView3->subItem(last, 1),
                                    ListView3->subItem(last, 2)};
                const TripRow lower{ListView3->text(1), ListView3->subItem(1, 1),
                                    ListView3->subItem(1, 2)};
                addLeg(upper, lower);
                measured = true;
            });
            tickLeg(measured);
        }
        // A total that left out a leg would be wrong: after a failed leg (reported
        // above) there is none.
        if (options.total && everyLegMeasured) {
            report(141, [&] {
                ListView2->add(QString::fromStdString(
                    totalSentence(total, options.unit, LocaleNumbers::current())));
                ListView2->setChecked(ListView2->count(), true);
                ListView2->ensureVisible(ListView2->count());
            });
        }
        report(142, [&] { platform_.setMousePointer(pointer::Default); });
        report(144, [&] { ProgressBar1->setValue(0); });
        report(146, [&] { ProgressBar1->setText(QStringLiteral("Progress Bar")); });
        report(148, [&] {
            platform_.messageBox(QStringLiteral("Done."), applicationTitle(), mb::OkOnly);
        });
    } // 150
    report(152, [&] { DistanceRunning = false; });
}

} // namespace amb
