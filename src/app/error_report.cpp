#include "app/error_report.h"

namespace amb {

QString errorReportText(const QString& description, const QString& procedurePath, int line) {
    return description + QStringLiteral("\r\n") + QStringLiteral("in Kestrune2021/08/31.") +
           procedurePath + QLatin1Char(' ') + QStringLiteral("at line ") + QString::number(line) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           kSupportEmail;
}

void ErrorReport::show(int line, const QString& description) {
    platform_.messageBox(errorReportText(description, path_, line),
                         QStringLiteral("Application Error"), mb::OkOnly | mb::Exclamation);
}

} // namespace amb
