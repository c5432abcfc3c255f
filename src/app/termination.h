#pragma once

class QWidget;

namespace amb {

// When the session ends (log-off, shutdown, `kill`), close the window as the close
// box would, so the trip list is saved. On Linux the system sends SIGTERM or
// SIGHUP; on Windows the session manager asks the program to commit its data
// (a plain `taskkill` sends the window a close message, which Qt handles itself).
void closeWindowOnTermination(QWidget* window);

} // namespace amb
