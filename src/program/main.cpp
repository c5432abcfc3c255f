#include "app/form1.h"
#include "app/qt_platform.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "app/startup_report.h"
#include "app/termination.h"
#include "output/spreadsheet_app.h"
#include "trip/trip_arguments.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
#ifndef Q_OS_WIN
    // Without an X11 or Wayland server Qt would end with a message about plugins; a
    // Windows program always has its desktop, and no console to tell anything on.
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") &&
                           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (noDisplay) {
        std::fprintf(stderr,
                     "ambrevale: no display is available (DISPLAY is not set).\n"
                     "Run it on a desktop, or without one under a virtual display:\n"
                     "  xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "ambrevale");
        return 2;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString());
    // A trip the previous version kept under its own registry key comes back.
    amb::takeOverPreviousSettings(amb::kSettingsApplication, amb::kSettingsSection);
    amb::QtPlatform platform;
    platform.setSpreadsheetFactory(amb::createDesktopSpreadsheetApp);
    amb::Form1 form(platform);
    platform.attachWindow(&form);
    form.Form_Load();
    amb::closeWindowOnTermination(&form);
    form.show();
    // Files named on the command line open once the window is up, after the restored list.
    QTimer::singleShot(0, &form, [&form, files = QApplication::arguments().mid(1)] {
        amb::openTripArguments(form, files);
    });
    if (qEnvironmentVariableIsSet("AMBREVALE_REPORT_STARTUP"))
        amb::reportStartupWhenShown(&form);
    if (const QString layout = qEnvironmentVariable("AMBREVALE_REPORT_LAYOUT"); !layout.isEmpty())
        amb::reportLayoutWhenShown(&form, layout);
    return QApplication::exec();
}
