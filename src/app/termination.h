#pragma once

class QWidget;

namespace amb {

// When the session ends (log-off, shutdown, `kill`), the system sends SIGTERM or
// SIGHUP: close the window as the close box would, so the trip list is saved.
void closeWindowOnTermination(QWidget* window);

} // namespace amb
