#pragma once

class QString;
class QWidget;

namespace amb {

// Prints "ambrevale: window shown" on standard output when the window is first
// painted, for the start-up benchmark.
void reportStartupWhenShown(QWidget* window);

// Writes each named control's place in the window, one "name left top width height"
// line in pixels, sorted by name, to `file` when the window is first painted: the
// Windows package's test compares the installed window with the Linux one by it.
void reportLayoutWhenShown(QWidget* window, const QString& file);

} // namespace amb
