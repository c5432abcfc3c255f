#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "app/settings.h"
#include "app/skin.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>

namespace amb {

namespace {
// A cursor file's hot spot: bytes 10 to 13 of the file (x, then y, little-endian).
QCursor loadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RunTimeError(err::FileNotFound,
                           QStringLiteral("The pointer picture %1 cannot be read: %2.")
                               .arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    QPixmap picture;
    if (bytes.size() < 22 || !picture.loadFromData(bytes, "ICO"))
        throw RunTimeError(
            err::InvalidPropertyValue,
            QStringLiteral("The pointer picture %1 is not a cursor file.").arg(path));
    const auto le16 = [&bytes](int at) {
        return static_cast<int>(static_cast<unsigned char>(bytes[at]) |
                                (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    return QCursor(picture, le16(10), le16(12));
}
} // namespace

void Form1::Form_Load() {
    ErrorReport report(platform_, QStringLiteral("Form1.Form_Load"));
    report(100, [&] {});
    report(102, [&] { ApplySkin(*this); });
    report(104, [&] { setWindowTitle(kProductTitle); });
    report(106, [&] { setWindowIcon(QIcon(QStringLiteral(":/ambrevale.png"))); });
    report(108, [&] { SetApplicationTitle(kProductTitle); });
    const QString cursorPath = programFolder() + QStringLiteral("/HAND-M.CUR");
    if (report.condition(110, [&] { return FileExists(cursorPath); }))
        report(112, [&] { platform_.setMouseIcon(loadCursorFile(cursorPath)); });
    report(114, [&] {
        ListView1->addColumn(QStringLiteral("City - Region"));
        ListView1->addColumn(QStringLiteral("Lat."));
        ListView1->addColumn(QStringLiteral("Long."));
    });
    report(116, [&] {
        ListView1->setColumnWidthTwips(1, 7000);
        ListView1->setColumnWidthTwips(2, 1);
        ListView1->setColumnWidthTwips(3, 1);
    });
    report(118, [&] {
        ListView3->addColumn(QStringLiteral("Cities To Find Distance"));
        ListView3->addColumn(QStringLiteral("Lat."));
        ListView3->addColumn(QStringLiteral("Long."));
    });
    report(120, [&] {
        ListView3->setColumnWidthTwips(1, 7000);
        ListView3->setColumnWidthTwips(2, 1);
        ListView3->setColumnWidthTwips(3, 1);
    });
    report(122, [&] { ListView2->addColumn(QStringLiteral("Results")); });
    report(124, [&] { ListView2->setColumnWidthTwips(1, 7000); });
    report(126, [&] { restoreTripList(*this); });
}

} // namespace amb
