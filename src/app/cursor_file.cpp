#include "app/cursor_file.h"

#include "app/runtime_error.h"

#include <QFile>
#include <QPixmap>

namespace amb {

QCursor loadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RunTimeError(err::FileNotFound,
                           QStringLiteral("The pointer picture %1 cannot be read: %2.")
                               .arg(path, file.errorString()));
    return cursorFromBytes(file.readAll(), path);
}

QCursor cursorFromBytes(const QByteArray& bytes, const QString& path) {
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

} // namespace amb
