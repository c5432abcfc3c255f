#pragma once

class QWidget;

namespace amb {

// Prints "ambrevale: window shown" on standard output when the window is first
// painted, for the start-up benchmark.
void reportStartupWhenShown(QWidget* window);

} // namespace amb
