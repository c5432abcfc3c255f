#include "output/clipboard_copy.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "output/aligned_text.h"

#include <QBuffer>
#include <algorithm>
#include <vector>

namespace amb {

namespace {
template <class Attempt> bool retried(Attempt&& attempt) noexcept {
    for (int i = 0; i < kClipboardAttempts; ++i) {
        try {
            attempt();
            return true;
        } catch (...) {
            // Another program holds the clipboard: try again at once.
        }
    }
    return false;
}
} // namespace

void ClearClipboard(Platform& platform) noexcept {
    retried([&] { platform.clipboardClear(); });
}

bool SetClipboardText(Platform& platform, const QString& text) noexcept {
    return retried([&] { platform.clipboardSetText(text); });
}

QString clipboardText(Platform& platform, ListView& list) {
    const int columns = list.columnCount();
    std::vector<int> widths;
    for (int c = 1; c <= columns; ++c) {
        int width = 0;
        const int items = list.count();
        for (int i = 1; i <= items; ++i) {
            platform.doEvents();
            width = std::max(width, static_cast<int>(cellText(list, i, c).size()));
        }
        widths.push_back(width);
    }

    // The same line writer as the text file, into memory and without the header.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    LineWriter writer(buffer, QStringConverter::Utf8, QStringLiteral("clipboard"));
    QString line;
    const int items = list.count();
    for (int i = 1; i <= items; ++i) {
        platform.doEvents();
        if (!list.checked(i))
            continue;
        line.clear();
        const int lineColumns = list.columnCount();
        for (int c = 1; c <= lineColumns; ++c) {
            platform.doEvents();
            appendAlignedCell(line, cellText(list, i, c), recordedWidth(widths, c));
        }
        trimClipboardLine(line);
        writer.writeLine(line);
    }
    return QString::fromUtf8(buffer.data());
}

void CopyListviewToClipboard(Platform& platform, ListView& list) {
    if (list.count() == 0)
        return;
    const QString text = clipboardText(platform, list);
    ClearClipboard(platform);
    if (!SetClipboardText(platform, text))
        throw RunTimeError(
            err::PermissionDenied,
            QStringLiteral("The results could not be copied, because another program "
                           "keeps the clipboard busy. Close or wait for that program "
                           "and copy again."));
}

void Form1::PushButton5_Click() {
    ErrorReport report(platform(), QStringLiteral("Form1.PushButton5_Click"));
    // The paste hint only follows a copy that worked: after a report it would be untrue.
    if (!report(100, [&] { CopyListviewToClipboard(platform(), *ListView2); }))
        return;
    report(102, [&] { platform().messageBox(kClipboardHint, applicationTitle(), mb::OkOnly); });
}

} // namespace amb
