#pragma once

#include <QStringList>

namespace amb {

class Form1;

// The files named on the program's command line: the first opens as a trip, as
// "Open Trip…" would (asking before replacing a list, refusing a damaged file); a
// box names the ones after it, which are not opened.
void openTripArguments(Form1& form, const QStringList& files);

} // namespace amb
