#pragma once

#include <QByteArray>
#include <QCursor>
#include <QString>

namespace amb {

// The pointer picture beside the program (HAND-M.CUR): a cursor file, read as an
// icon, whose bytes 10 to 13 are the hot spot (x, then y, little-endian). Throws
// RunTimeError when the file cannot be read or is no cursor file.
QCursor loadCursorFile(const QString& path);
// The same from the file's bytes; `path` only names the file in the message.
QCursor cursorFromBytes(const QByteArray& bytes, const QString& path);

} // namespace amb
