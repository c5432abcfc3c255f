#include "app/file_io.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace amb;

class TestFileIo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Files are read byte for byte: no line ends turned around, no end-of-file
    // character honoured (Windows' text mode would do both).
    void readsEveryByte_data();
    void readsEveryByte();
    // The import's lock keeps a second holder out until the first lets go.
    void lockIsExclusive();
};

void TestFileIo::readsEveryByte_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("Windows line ends") << QByteArray("Paris\r\nBerlin\r\n");
    QTest::newRow("lone carriage return") << QByteArray("a\rb\n");
    QTest::newRow("end-of-file character in the middle") << QByteArray("before\x1a" "after\n");
    QTest::newRow("zero bytes and high bytes") << QByteArray("\0\xff\xfe\x80", 4);
}

void TestFileIo::readsEveryByte() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("input.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
    file.close();

    const int fd = ::open(QFile::encodeName(path).constData(), kOpenForReading);
    QVERIFY(fd >= 0);
    QByteArray read(content.size() + 16, '\0');
    const auto got = ::read(fd, read.data(), static_cast<unsigned>(read.size()));
    ::close(fd);
    QCOMPARE(read.left(static_cast<qsizetype>(got)), content);
}

void TestFileIo::lockIsExclusive() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("import.tmp")));
    QFile file(QFile::decodeName(path));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const int first = ::open(path.constData(), kOpenForReading);
    const int second = ::open(path.constData(), kOpenForReading);
    QVERIFY(first >= 0 && second >= 0);
    QVERIFY(lockExclusively(first));
    QVERIFY(!lockExclusively(second));
    ::close(first);
    QVERIFY(lockExclusively(second)); // a closed holder holds nothing
    ::close(second);
}

QTEST_MAIN(TestFileIo)
#include "tst_file_io.moc"
