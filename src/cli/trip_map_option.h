#pragma once

#include "route/trip_map.h"

#include <QString>
#include <vector>

namespace amb::cli {

// True when the command line asks for a map (--map), which needs fonts and so a
// GUI application object, though no display.
bool wantsMap(int argc, char* argv[]);

// Keeps the GUI start-up's notes for a desktop session (no XDG_RUNTIME_DIR, as
// under a plain root shell) off standard error; other messages pass.
void quietenGuiStartup();

// Draws the trip's map into `file` (PNG or SVG by its suffix) with the land beside
// the program. On failure prints "ambrevale-cli COMMAND: message" on standard error
// and gives false; nothing is left behind. With `courseArrows` each leg's start
// has an arrow.
bool writeTripMap(const char* command, const QString& file,
                  const std::vector<route::MapStop>& stops, const QString& total,
                  bool courseArrows = false);

} // namespace amb::cli
