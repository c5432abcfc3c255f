#include "app/error_report.h"
#include "app/form1.h"

namespace amb {

// Double-click on the results list removes the selected line. No error report: the
// guards leave nothing that can fail.
void Form1::ListView2_DblClick() {
    if (platform().mousePointer() == pointer::Hourglass)
        return; // a distance run or an export is busy with the list
    if (ListView2->count() == 0)
        return;
    if (!ListView2->hasSelection())
        return;
    ListView2->remove(ListView2->selectedIndex());
}

// "Clear Results": empties the results list and nothing else, even during a run.
void Form1::PushButton2_Click() {
    ErrorReport report(platform(), QStringLiteral("Form1.PushButton2_Click"));
    report(100, [&] { ListView2->clear(); });
}

} // namespace amb
