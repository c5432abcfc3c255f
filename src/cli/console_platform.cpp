#include "cli/console_platform.h"

#include "app/runtime_error.h"
#include "cli/tool_message.h"

#include <cstdio>

namespace amb {

int ConsolePlatform::messageBox(const QString& text, const QString&, int style) {
    ++reports_;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(stderr, "%s\n",
                 cli::escapedControls(shown.toLocal8Bit().toStdString(), true).c_str());
    return (style & 0x0F) == mb::YesNo ? mb::AnswerNo : mb::AnswerOk;
}

void ConsolePlatform::clipboardClear() {
    throw RunTimeError(err::CannotCreateObject, QStringLiteral("There is no clipboard here."));
}

void ConsolePlatform::clipboardSetText(const QString&) {
    clipboardClear();
}

std::unique_ptr<SpreadsheetApp> ConsolePlatform::createSpreadsheetApp() {
    throw RunTimeError(err::CannotCreateObject,
                       QStringLiteral("There is no spreadsheet program here."));
}

} // namespace amb
