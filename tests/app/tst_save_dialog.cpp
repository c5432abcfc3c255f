#include "app/qt_platform.h"
#include "support/test_helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace amb;
using namespace Qt::StringLiterals;

// The save dialog as the user meets it: a type chosen in its list, a name typed,
// and the dialog's own question when that name is taken.
class TestSaveDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
    void theQuestionSeesTheWrittenName_data();
    void theQuestionSeesTheWrittenName();
};

void TestSaveDialog::theQuestionSeesTheWrittenName_data() {
    QTest::addColumn<bool>("ofType");   // Save Trip As / Save Map As; else the text export
    QTest::addColumn<int>("typeSteps"); // Down presses in the type list
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("existing"); // a file already in the folder
    QTest::addColumn<QString>("answer");   // to the question: "yes", "no" (then cancel)
    QTest::addColumn<QString>("asked");    // the name in the question; "" = none
    QTest::addColumn<QString>("returned"); // "" = cancelled
    QTest::addColumn<int>("chosenType");
    QTest::newRow("GeoJSON chosen, 'trip' typed, trip.geojson there: asked, replaced")
        << true << 1 << u"trip"_s << u"trip.geojson"_s << u"yes"_s << u"trip.geojson"_s
        << u"trip.geojson"_s << 1;
    QTest::newRow("asked, not replaced")
        << true << 1 << u"trip"_s << u"trip.geojson"_s << u"no"_s << u"trip.geojson"_s << u""_s
        << -1;
    QTest::newRow("CSV chosen, a new name: no question, the suffix added")
        << true << 2 << u"trip"_s << u"trip.geojson"_s << u""_s << u""_s << u"trip.csv"_s << 2;
    QTest::newRow("a suffix of its own is kept")
        << true << 0 << u"trip.csv"_s << u""_s << u""_s << u""_s << u"trip.csv"_s << 0;
    QTest::newRow("the text export keeps the name as typed, unasked")
        << false << 0 << u"trip"_s << u"trip"_s << u""_s << u""_s << u"trip"_s << -1;
}

void TestSaveDialog::theQuestionSeesTheWrittenName() {
    QFETCH(bool, ofType);
    QFETCH(int, typeSteps);
    QFETCH(QString, typed);
    QFETCH(QString, existing);
    QFETCH(QString, answer);
    QFETCH(QString, asked);
    QFETCH(QString, returned);
    QFETCH(int, chosenType);
    QTemporaryDir folder;
    if (!existing.isEmpty())
        test::writeFile(folder.filePath(existing), "kept");
    QString question;
    const auto answerQuestion = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        question = box->text();
        box->button(answer == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No)->click();
    };
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        for (int i = 0; i < typeSteps; ++i)
            QTest::keyClick(types, Qt::Key_Down);
        dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(typed);
        QTimer::singleShot(100, this, answerQuestion);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it; the base calls it
        if (dialog->isVisible()) // the user said no: the dialog is still open
            dialog->reject();
    });
    QtPlatform platform;
    int type = -1;
    const QString offered = folder.filePath(u"trip.gpx"_s);
    const QString path =
        ofType ? platform.saveFileNameOfType(u"Save Trip As"_s, u"GPX 1.1|*.gpx|GeoJSON|"
                                                               "*.geojson|CSV|*.csv|"_s,
                                             offered, type)
               : platform.saveFileName(u"Export"_s, u"Text|*.txt|"_s, offered);
    QCOMPARE(path, returned.isEmpty() ? QString() : folder.filePath(returned));
    QCOMPARE(type, chosenType);
    if (asked.isEmpty())
        QCOMPARE(question, QString());
    else
        QVERIFY2(question.contains(asked), qPrintable(question));
    if (!existing.isEmpty())
        QCOMPARE(test::fileBytes(folder.filePath(existing)), QByteArray("kept"));
}

QTEST_MAIN(TestSaveDialog)
#include "tst_save_dialog.moc"
