#pragma once

#include <QIODevice>
#include <QString>
#include <QStringConverter>
#include <QStringList>
#include <memory>
#include <vector>

namespace amb {

class ListView;

// The aligned-text layout shared by the text file and the clipboard copy. Every cell
// is its text filled with spaces to its column's width and followed by a tab; a
// cell longer than its width gets no spaces. Widths count the UTF-16 units of the
// texts as the list holds them.
void appendAlignedCell(QString& line, const QString& text, int width);

// The clipboard's line end: the final tab is dropped and then the spaces before it,
// so the last column never trails spaces. A line without cells stays empty.
void trimClipboardLine(QString& line);

// A list cell by column: column 1 is the item's text, column k its sub-item k - 1.
QString cellText(const ListView& list, int item, int column);

// The width recorded for a column (1-based). Throws RunTimeError when the list has
// gained columns since it was measured.
int recordedWidth(const std::vector<int>& widths, int column);

// Writes whole lines to a device, each encoded in one piece and followed by CR LF;
// `preamble` (a byte-order mark) goes in front of the first line.
class LineWriter {
public:
    LineWriter(QIODevice& device, QStringConverter::Encoding encoding, QString name,
               QByteArray preamble = {});

    // Throws RunTimeError when the device takes less than the whole line.
    void writeLine(const QString& line);
    bool failed() const { return failed_; }
    const QString& firstError() const { return firstError_; }
    const QString& lastError() const { return lastError_; }

private:
    QIODevice& device_;
    QStringEncoder encoder_;
    QString name_;
    QByteArray preamble_;
    bool failed_ = false;
    QString firstError_;
    QString lastError_;
};

// The text export's bytes: on Linux the system's 8-bit encoding (UTF-8), without a
// byte-order mark. On Windows UTF-8 with a byte-order mark: without one, Windows
// editors and spreadsheet programs read the file in the local code page and show
// "ZÃ¼rich", and writing that code page instead would turn the letters it lacks
// into "?".
QStringConverter::Encoding textExportEncoding();
QByteArray textExportPreamble();

// The text export's file. A regular file, new or existing, is written through a
// temporary file beside it that takes its place only when close() finds every line
// written, so a failed export leaves the earlier file as it was. A device or pipe
// that the user names (e.g. /dev/null), and a file in a folder where no temporary
// file can be made, are written in place: a failure leaves them holding part.
class TextExportFile {
public:
    // Creates the file; throws RunTimeError when it cannot be created.
    explicit TextExportFile(const QString& path);
    // Writes to `device` instead, opening it for writing when it is not open yet.
    TextExportFile(QIODevice& device, const QString& name);
    ~TextExportFile();

    // Throws RunTimeError, saying what became of the file, when the line did not go in.
    void writeLine(const QString& line);
    // Puts the file in place; throws RunTimeError when anything failed.
    void close();

private:
    [[noreturn]] void throwNotSaved(const QString& reason) const;
    QString path_;
    std::unique_ptr<QIODevice> owned_;
    QIODevice* device_ = nullptr;
    std::unique_ptr<LineWriter> writer_;
    bool closed_ = false;
    bool inPlace_ = false;
};

// The error a step meets when the file it should write was never created.
[[noreturn]] void throwExportFileNotOpen(const QString& path);

// The single-column layout of result lines under a header, as the text export
// writes a one-column list whose items are all checked.
void writeAlignedLines(TextExportFile& file, const QString& header, const QStringList& lines);

} // namespace amb
