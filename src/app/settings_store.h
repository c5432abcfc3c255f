#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace amb {

// The per-user settings store of one application name, whose sections are groups:
// on Windows the registry key HKEY_CURRENT_USER\Software\<application> (a section is
// a subkey of it), elsewhere the file <user config folder>/<application>.conf.
std::unique_ptr<QSettings> openSettingsStore(const QString& application);

} // namespace amb
