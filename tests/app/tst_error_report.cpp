#include "app/error_report.h"
#include "support/fake_platform.h"

#include <QTest>

using namespace amb;

class TestErrorReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textLayout();
};

void TestErrorReport::textLayout() {
    QCOMPARE(errorReportText(QStringLiteral("Boom"), QStringLiteral("Form1.PushButton7_Click"), 102),
             QStringLiteral("Boom\r\nin Kestrune2021/08/31.Form1.PushButton7_Click at line 102\r\r"
                            "Please email screenshot of this message to ") + kSupportEmail);
}

QTEST_MAIN(TestErrorReport)
#include "tst_error_report.moc"
