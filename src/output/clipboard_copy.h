#pragma once

#include <QString>

namespace amb {

class ListView;
class Platform;

// The confirmation after "Copy Results To Clipboard": two CRs, no line feeds.
inline const QString kClipboardHint =
    QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                   "normally type and press Ctrl+V to paste the clipboard.");

// How often a busy clipboard is tried before giving up.
inline constexpr int kClipboardAttempts = 1000;

// Empties the clipboard, trying again at once while it is busy (up to 1000 attempts
// in all). Never throws.
void ClearClipboard(Platform& platform) noexcept;

// Places plain text on the clipboard with the same retries; true when it was placed.
bool SetClipboardText(Platform& platform, const QString& text) noexcept;

// The checked items of a list as aligned text, one line per item ended by CR LF,
// without a header and without trailing spaces or tab. Widths count every item.
// Lets window events run for every item and cell.
QString clipboardText(Platform& platform, ListView& list);

// Puts clipboardText() on the clipboard. An empty list leaves the clipboard alone.
// Throws RunTimeError when the list cannot be read or the clipboard stays busy.
void CopyListviewToClipboard(Platform& platform, ListView& list);

} // namespace amb
