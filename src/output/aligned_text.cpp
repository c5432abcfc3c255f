#include "output/aligned_text.h"

#include "app/list_view.h"
#include "app/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace amb {

namespace {
constexpr int kSubscriptOutOfRange = 9;

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Whether `file` writes to the file named `path` itself rather than to a temporary
// file beside it.
bool isOpenAt(const QFileDevice& file, const QString& path) {
#ifdef Q_OS_UNIX
    struct stat opened{}, named{};
    return ::fstat(file.handle(), &opened) == 0 &&
           ::stat(QFile::encodeName(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
#else
    Q_UNUSED(file);
    Q_UNUSED(path);
    return false; // elsewhere the save file never writes in place
#endif
}
} // namespace

void appendAlignedCell(QString& line, const QString& text, int width) {
    line += text;
    if (width > text.size())
        line += QString(width - text.size(), QLatin1Char(' '));
    line += QLatin1Char('\t');
}

void trimClipboardLine(QString& line) {
    if (line.isEmpty())
        return;
    line.chop(1);
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1) == QLatin1Char(' '))
        --end;
    line.truncate(end);
}

QString cellText(const ListView& list, int item, int column) {
    return column == 1 ? list.text(item) : list.subItem(item, column - 1);
}

int recordedWidth(const std::vector<int>& widths, int column) {
    if (column < 1 || static_cast<size_t>(column) > widths.size())
        throw RunTimeError(kSubscriptOutOfRange,
                           QStringLiteral("Subscript out of range: column %1 was added to the list "
                                          "after it was measured. Run the command again.")
                               .arg(column));
    return widths[static_cast<size_t>(column - 1)];
}

// ---- LineWriter ----

LineWriter::LineWriter(QIODevice& device, QStringConverter::Encoding encoding, QString name,
                       QByteArray preamble)
    : device_(device), encoder_(encoding, QStringConverter::Flag::Stateless),
      name_(std::move(name)), preamble_(std::move(preamble)) {}

void LineWriter::writeLine(const QString& line) {
    // The preamble goes with the first line, so a file that holds anything is whole
    // from its first byte.
    QByteArray bytes = preamble_ + encoder_.encode(line);
    bytes.append("\r\n", 2);
    const qint64 written = device_.write(bytes);
    if (written == bytes.size()) {
        preamble_.clear();
        return;
    }
    // A file device reports "Unknown error" when the system gave no reason.
    const QString reason = device_.errorString() == QLatin1String("Unknown error")
                               ? QStringLiteral("the device took only part of the text")
                               : device_.errorString();
    if (!failed_)
        firstError_ = reason;
    lastError_ = reason;
    failed_ = true;
    throw RunTimeError(err::DeviceIO,
                       QStringLiteral("Writing the file %1 failed: %2. Free some space on its "
                                      "drive or choose another place, then save again.")
                           .arg(shownPath(name_), reason));
}

QStringConverter::Encoding textExportEncoding() {
#ifdef Q_OS_WIN
    return QStringConverter::Utf8;
#else
    return QStringConverter::System;
#endif
}

QByteArray textExportPreamble() {
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\xEF\xBB\xBF");
#else
    return {};
#endif
}

// ---- TextExportFile ----

TextExportFile::TextExportFile(const QString& path) : path_(path) {
    const QFileInfo info(path);
    if (info.isDir())
        throw RunTimeError(
            err::PermissionDenied,
            QStringLiteral("The file %1 cannot be created, because a folder has that "
                           "name. Choose another name and save again.")
                .arg(shownPath(path)));
    // Unbuffered: one line in memory, and a full disk shows at the line it hits.
    const auto open = [](QFileDevice& file) {
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    };
    std::unique_ptr<QFileDevice> file;
    bool opened = false;
    if (info.exists() && !info.isFile()) {
        // A device or pipe is written in place: replacing it would turn it into a plain
        // file (and, run by an administrator, break the device for everyone).
        file = std::make_unique<QFile>(path);
        inPlace_ = true;
        opened = open(*file);
    } else {
        auto save = std::make_unique<QSaveFile>(path);
        // In a folder the user may not write to, the temporary file cannot lie beside a
        // file they may write: then the file itself is overwritten, as it would be anyway.
        save->setDirectWriteFallback(true);
        opened = open(*save);
        inPlace_ = opened && isOpenAt(*save, path);
        file = std::move(save);
    }
    if (!opened) {
        const bool folderMissing = !info.absoluteDir().exists();
        throw RunTimeError(folderMissing ? err::PathNotFound : err::PermissionDenied,
                           QStringLiteral("The file %1 cannot be created: %2. Choose a folder that "
                                          "exists and that you may write to, then save again.")
                               .arg(shownPath(path), file->errorString()));
    }
    device_ = file.get();
    owned_ = std::move(file);
    writer_ = std::make_unique<LineWriter>(*device_, textExportEncoding(), path_,
                                           textExportPreamble());
}

TextExportFile::TextExportFile(QIODevice& device, const QString& name) : path_(name) {
    if (!device.isOpen() && !device.open(QIODevice::WriteOnly))
        throw RunTimeError(err::PermissionDenied,
                           QStringLiteral("The file %1 cannot be created: %2. Choose a folder that "
                                          "exists and that you may write to, then save again.")
                               .arg(shownPath(name), device.errorString()));
    device_ = &device;
    inPlace_ = true;
    writer_ = std::make_unique<LineWriter>(device, textExportEncoding(), path_,
                                           textExportPreamble());
}

// A temporary file that was never committed is thrown away by QSaveFile itself, so
// the earlier file stays.
TextExportFile::~TextExportFile() = default;

void TextExportFile::writeLine(const QString& line) {
    if (closed_)
        throwExportFileNotOpen(path_);
    try {
        writer_->writeLine(line);
    } catch (const RunTimeError&) {
        throwNotSaved(writer_->lastError());
    }
}

void TextExportFile::throwNotSaved(const QString& reason) const {
    // Written in place, the file was cut when it was opened: say so, never that the
    // earlier file is unchanged.
    throw RunTimeError(
        err::DeviceIO,
        (inPlace_ ? QStringLiteral("The file %1 was not saved completely: %2. It now holds only "
                                   "part of the results. ")
                  : QStringLiteral("The file %1 was not saved completely: %2. A file of that "
                                   "name that was there before is unchanged. "))
                .arg(shownPath(path_), reason) +
            QStringLiteral("Free some space or choose another place, then save again."));
}

void TextExportFile::close() {
    if (closed_)
        throwExportFileNotOpen(path_);
    closed_ = true;
    bool ok = !writer_->failed();
    if (auto* save = dynamic_cast<QSaveFile*>(owned_.get())) {
        // A line that did not go in, even without an error of the device, keeps the
        // temporary file from replacing the earlier one.
        if (!ok)
            save->cancelWriting();
        ok = save->commit() && ok;
    } else {
        if (auto* file = dynamic_cast<QFileDevice*>(device_); file && !file->flush())
            ok = false;
        if (owned_)
            owned_->close();
    }
    if (ok)
        return;
    QString reason = writer_->failed() ? writer_->firstError() : device_->errorString();
    if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
        reason = QStringLiteral("it could not be put in place");
    throwNotSaved(reason);
}

void throwExportFileNotOpen(const QString& path) {
    throw RunTimeError(err::ObjectNotSet,
                       QStringLiteral("The file %1 is not open for writing, because it could not "
                                      "be created. Choose a folder that you may write to and save "
                                      "again.")
                           .arg(shownPath(path)));
}

void writeAlignedLines(TextExportFile& file, const QString& header, const QStringList& lines) {
    int width = static_cast<int>(header.size());
    for (const QString& line : lines)
        width = std::max(width, static_cast<int>(line.size()));
    QString buffer;
    appendAlignedCell(buffer, header, width);
    file.writeLine(buffer);
    for (const QString& line : lines) {
        buffer.clear();
        appendAlignedCell(buffer, line, width);
        file.writeLine(buffer);
    }
}

} // namespace amb
