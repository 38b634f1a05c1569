// The erasers used far outside the paper, through the real input path. The
// page at its size limits runs in bench/app_output (BM_BigPage).

#include "output_fixture.h"

#include <QScopeGuard>

class TestPageLimits : public QObject {
    Q_OBJECT
private slots:
    void erasingFarOutsideThePaper_data();
    void erasingFarOutsideThePaper();
};

void TestPageLimits::erasingFarOutsideThePaper_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QPoint>("at");
    for (int mode : {2, 3, 4}) {
        const QByteArray name = QByteArray::number(mode) + ": ";
        QTest::newRow(name + "far left and above") << mode << QPoint(-30000, -30000);
        QTest::newRow(name + "far right and below") << mode << QPoint(30000, 30000);
        QTest::newRow(name + "a million pixels out") << mode << QPoint(1000000, -1000000);
    }
    // No pointer gets there; were one to, the conversion's failure is reported.
    QTest::newRow("4: past the 32-bit ink space") << 4 << QPoint(100000000, 0);
}

// Nothing is erased, nothing is reported, and the eraser still works after.
// (Past the 32-bit ink space the error report, and the same.)
void TestPageLimits::erasingFarOutsideThePaper()
{
    QFETCH(int, mode);
    QFETCH(QPoint, at);
    OutputWindow w;
    QVERIFY(w.show());
    auto* app = qobject_cast<TavroApplication*>(qApp);
    app->setErrorReporter(&w.messageBox);
    const auto unset = qScopeGuard([app] { app->setErrorReporter(nullptr); });
    w.drawRow(100);  // straight and crossed by nothing: every eraser takes it whole
    w.form->UpdateApplicationMode(int16_t(mode));
    const bool reported = at.x() == 100000000;
    if (reported)
        w.messageBox.queueAnswer(MessageBoxResult::Ok);
    dragTo(w.form->ImgPaper, at);
    QTest::qWait(0);
    QCOMPARE(w.strokeCount(), 1);
    QCOMPARE(w.messageBox.calls().size(), reported ? 1 : 0);
    if (reported)
        QVERIFY(w.messageBox.calls()[0].text.startsWith(QString::fromUtf8("실행 중 오류가 났습니다 (오류 ")));
    dragTo(w.form->ImgPaper, QPoint(200, 100));
    QCOMPARE(w.strokeCount(), 0);
}

TAVRO_WINDOW_TEST_MAIN(TestPageLimits)
#include "tst_page_limits.moc"
