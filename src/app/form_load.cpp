#include "app/cursor_file.h"
#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "app/settings.h"
#include "app/skin.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>

// The icon is compiled into the core library; naming its resource here makes the
// linker keep it for every program and test that shows the window.
static void initProgramResources() {
    Q_INIT_RESOURCE(ambrevale);
}

namespace amb {

void Form1::Form_Load() {
    ErrorReport report(platform_, QStringLiteral("Form1.Form_Load"));
    report(100, [&] {});
    report(102, [&] { ApplySkin(*this); });
    report(104, [&] { setWindowTitle(kProductTitle); });
    report(106, [&] {
        initProgramResources();
        const QIcon icon(QStringLiteral(":/ambrevale.png"));
        if (icon.pixmap(32).isNull()) // a QIcon of a missing file is not null itself
            throw RunTimeError(err::FileNotFound,
                               QStringLiteral("The program's icon is missing from the program."));
        setWindowIcon(icon);
    });
    report(108, [&] { SetApplicationTitle(kProductTitle); });
    const QString cursorPath = programFolder() + QStringLiteral("/HAND-M.CUR");
    if (report.condition(110, [&] { return FileExists(cursorPath); }))
        report(112, [&] { platform_.setMouseIcon(loadCursorFile(cursorPath)); });
    // Each column and each width is a statement of its own: one that fails is
    // reported and the others still run.
    report(114, [&] { ListView1->addColumn(QStringLiteral("City - Region")); });
    report(116, [&] { ListView1->addColumn(QStringLiteral("Lat.")); });
    report(118, [&] { ListView1->addColumn(QStringLiteral("Long.")); });
    report(120, [&] { ListView1->setColumnWidthTwips(1, 7000); });
    report(122, [&] { ListView1->setColumnWidthTwips(2, 1); });
    report(124, [&] { ListView1->setColumnWidthTwips(3, 1); });
    report(126, [&] { ListView3->addColumn(QStringLiteral("Cities To Find Distance")); });
    report(128, [&] { ListView3->addColumn(QStringLiteral("Lat.")); });
    report(130, [&] { ListView3->addColumn(QStringLiteral("Long.")); });
    report(132, [&] { ListView3->setColumnWidthTwips(1, 7000); });
    report(134, [&] { ListView3->setColumnWidthTwips(2, 1); });
    report(136, [&] { ListView3->setColumnWidthTwips(3, 1); });
    report(138, [&] { ListView2->addColumn(QStringLiteral("Results")); });
    report(140, [&] { ListView2->setColumnWidthTwips(1, 7000); });
    restoreTripList(*this, report, 142);
    restoreMeasureChoice(*this, report, 148);
    // From here on every change of the trip list is kept as it happens; the
    // restore above is what the store holds already.
    TripListKeeper1 = std::make_unique<TripListKeeper>(*this);
}

} // namespace amb
