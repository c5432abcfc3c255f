#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "lookup/city_database.h"

#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace amb {

namespace {
// Only spaces count as blank in the search box; a tab is text.
bool onlySpaces(const QString& text) {
    for (const QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}
} // namespace

void Form1::Command1_Click() {
    PushButton7_Click();
}

void Form1::PushButton7_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.PushButton7_Click"));
    if (report.condition(100, [&] { return !onlySpaces(Text1->text()); }))
        report(102, [&] { RunCityQuery(); });
    else
        report(104, [&] {
            platform_.messageBox(QStringLiteral("You forgot to input city to search."),
                                 applicationTitle(), mb::OkOnly);
        });
}

void Form1::PushButton8_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.PushButton8_Click"));
    if (report.condition(100, [&] {
            return platform_.messageBox(QStringLiteral("Enter any major city in the world here"
                                                       "\r\n\r\nWould you like to see an example?"),
                                        applicationTitle(), mb::YesNo) == mb::AnswerYes;
        })) {
        report(102, [&] { Text1->setText(QStringLiteral("fiore")); });
        report(104, [&] { platform_.doEvents(); }); // the example shows before the search runs
        report(106, [&] { PushButton7_Click(); });
    }
}

// Lists the cities whose name begins with the search box's text, as typed. It has
// no report of its own: a failure goes to the search command's report. Unlike a
// plain abort, a failure first sets the pointer and the progress bar back, so no
// hourglass is left to block the pointer feedback of later commands.
void Form1::RunCityQuery() {
    const auto setBack = [this] {
        platform_.setMousePointer(pointer::Default);
        ProgressBar1->setValue(0);
        ProgressBar1->setText(QStringLiteral("Progress Bar"));
    };
    platform_.setMousePointer(pointer::Hourglass);
    try {
        ListView1->clear();
        std::vector<CityRow> rows =
            findCityRows(defaultCityDatabasePath(), Text1->text(), QLocale::system());
        // One progress value per row, as each row is taken; the list gets all rows in
        // one step, which costs far less than announcing each row to the view.
        std::vector<ListModel::Row> items;
        items.reserve(rows.size());
        const double records = static_cast<double>(rows.size());
        double counter = 1;
        for (CityRow& row : rows) {
            ProgressBar1->setValue(std::floor(counter / records * 100.0));
            items.emplace_back(std::move(row.cells), row.textLength, row.latitudeLength);
            counter += 1;
        }
        rows = {};
        ListView1->addRows(std::move(items));
#ifdef __GLIBC__
        // A long list leaves megabytes of freed working memory scattered between
        // its rows; hand those pages back instead of keeping them resident.
        malloc_trim(0);
#endif
    } catch (...) {
        setBack();
        throw;
    }
    setBack();
}

} // namespace amb
