#pragma once

#include <QString>

namespace amb {

// Windows only: opens a file in the program Windows associates with its type, as a
// new, untitled document where that program registers a "New" verb for the type
// (spreadsheet programs do for .xlsx), else as the file itself. False when no
// program could be started.
bool openAsNewDocument(const QString& path);

// Windows only: whether a program is registered to open files of this type
// (".xlsx"). Without one, opening such a file would only bring up the system's
// "How do you want to open this file?" picker.
bool hasProgramForFileType(const QString& extension);

} // namespace amb
