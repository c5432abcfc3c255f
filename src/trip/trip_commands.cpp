#include "app/error_report.h"
#include "app/form1.h"

namespace amb {

namespace {

// Copies the search list's selected city to the end of the trip list unless its
// text is there already. Shared by the double-click and the add button; each
// step that fails is reported and the next one runs, so with no selection every
// step that reads it reports and nothing is added.
void addSelectedCity(Form1& form, const QString& procedurePath) {
    ListView& found = *form.ListView1;
    ListView& trip = *form.ListView3;
    ErrorReport report(form.platform(), procedurePath);
    int added = 0;

    bool nothingFound = false;
    report(100, [&] { nothingFound = found.count() == 0; });
    if (nothingFound)
        return;
    bool present = false;
    report(102, [&] { present = form.IsCityInTripList(found.text(found.selectedIndex())); });
    if (present)
        return;
    report(104, [&] { added = trip.add(found.text(found.selectedIndex())); });
    const auto newEntry = [&] {
        if (added == 0)
            throw RunTimeError(err::ObjectNotSet,
                               QStringLiteral("The city was not added to the trip list, so its "
                                              "coordinates cannot be set."));
        return added;
    };
    report(106, [&] { trip.setSubItem(newEntry(), 1, found.subItem(found.selectedIndex(), 1)); });
    report(108, [&] { trip.setSubItem(newEntry(), 2, found.subItem(found.selectedIndex(), 2)); });
}

} // namespace

void Form1::ListView1_DblClick() {
    addSelectedCity(*this, QStringLiteral("Form1.ListView1_DblClick"));
}

void Form1::PushButton6_Click() {
    addSelectedCity(*this, QStringLiteral("Form1.PushButton6_Click"));
}

void Form1::PushButton1_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.PushButton1_Click"));
    report(100, [&] { ListView3->clear(); });
}

void Form1::PushButton3_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.PushButton3_Click"));
    report(100, [&] { ListView3->remove(ListView3->selectedIndex()); });
}

// Exact, case-sensitive comparison of the whole text. Positions are counted
// with a full-size integer, so the check holds for a trip list of any length.
bool Form1::IsCityInTripList(const QString& cityText) const {
    const int count = ListView3->count();
    for (int i = 1; i <= count; ++i)
        if (ListView3->text(i) == cityText)
            return true;
    return false;
}

} // namespace amb
