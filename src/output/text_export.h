#pragma once

#include <QString>

class QIODevice;

namespace amb {

class ListView;
class Platform;
class ProgressBar;

// The save dialog of "Save Results As Text File".
inline constexpr int kTextExportDialogFlags = 0x280201;
inline const QString kTextExportFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// Writes a list as aligned text: a header line, then one line per checked item;
// every cell is filled with spaces to its column's longest text (header and all
// items, checked or not) and ends with a tab; CR LF after every line. Shows its
// progress on `bar` when one is given and lets window events run between cells.
// Failures are shown as error reports of this procedure; none reaches the caller.
void SaveListviewProperlySpaced(Platform& platform, ListView& list, const QString& fileName,
                                ProgressBar* bar);

// The same steps writing to `device` instead of creating `fileName`; the name only
// appears on the bar and in reports.
void SaveListviewProperlySpaced(Platform& platform, ListView& list, const QString& fileName,
                                ProgressBar* bar, QIODevice& device);

} // namespace amb
