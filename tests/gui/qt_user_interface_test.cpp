// The Qt user interface: message boxes with the exact text, buttons and icon of their style,
// shown on the GUI thread also when a worker thread asks, and the search wait.
#include <QApplication>
#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <atomic>
#include <thread>

#include "CQtUserInterface.h"
#include "FakeSearch.h"
#include "ModalScript.h"

class QtUserInterfaceTest : public QObject {
    Q_OBJECT

private:
    CQtUserInterface m_ui;

private slots:
    void initTestCase()
    {
        QApplication::setApplicationDisplayName("Quarn Downloader");
        AfxSetUserInterface(&m_ui);
    }
    void cleanupTestCase() { AfxSetUserInterface(nullptr); }

    void buttonsIconsAndAnswersFollowTheStyle_data()
    {
        QTest::addColumn<unsigned>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<int>("answer");
        const int ok = QMessageBox::Ok, cancel = QMessageBox::Cancel, yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("OK, no icon named") << unsigned{MB_OK} << int(QMessageBox::Warning) << ok << ok << int(IDOK);
        QTest::newRow("OK/Cancel, error") << unsigned{MB_OKCANCEL | MB_ICONERROR} << int(QMessageBox::Critical)
                                          << (ok | cancel) << cancel << int(IDCANCEL);
        QTest::newRow("Yes/No, no icon named") << unsigned{MB_YESNO} << int(QMessageBox::Question) << (yes | no) << yes
                                               << int(IDYES);
        QTest::newRow("Yes/No/Cancel, exclamation") << unsigned{MB_YESNOCANCEL | MB_ICONEXCLAMATION}
                                                    << int(QMessageBox::Warning) << (yes | no | cancel) << no << int(IDNO);
        QTest::newRow("OK, information") << unsigned{MB_OK | MB_ICONINFORMATION} << int(QMessageBox::Information) << ok
                                         << ok << int(IDOK);
    }

    void buttonsIconsAndAnswersFollowTheStyle()
    {
        QFETCH(unsigned, style);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, pressed);
        QFETCH(int, answer);
        const CString text = "That printer port has already been used.  Please choose another port.";
        ModalScript script;
        script.Then([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            QCOMPARE(box->text(), QString::fromStdString(text));
            QCOMPARE(box->windowTitle(), QString("Quarn Downloader"));
            QCOMPARE(int(box->icon()), icon);
            QCOMPARE(int(box->standardButtons()), buttons);
            QTest::mouseClick(box->button(QMessageBox::StandardButton(pressed)), Qt::LeftButton);
        });
        QCOMPARE(AfxMessageBox(text, style), answer);
        QVERIFY(script.Done());
    }

    void escapeGivesTheAnswerThatChangesNothing()
    {
        ModalScript script;
        script.Then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(AfxMessageBox("Go on?", MB_OKCANCEL), int(IDCANCEL));
    }

    void aWorkersBoxRunsOnTheGuiThreadWhileTheWorkerWaits()
    {
        std::atomic<int> answer = 0;
        QThread* shownOn = nullptr;
        ModalScript script;
        script.Then([&](QWidget* box) {
            shownOn = QThread::currentThread();
            QCOMPARE(answer.load(), 0);
            QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::No), Qt::LeftButton);
        });
        std::thread worker([&] { answer = AfxMessageBox("Are you sure you want to Reset the Head Odometer?", MB_YESNO); });
        QTRY_VERIFY_WITH_TIMEOUT(answer.load() != 0, 10000);
        worker.join();
        QCOMPARE(answer.load(), int(IDNO));
        QCOMPARE(shownOn, QApplication::instance()->thread());
    }

    void theSearchWaitEndsWithTheSearch()
    {
        FakeSearch ending;
        QTimer::singleShot(100, [&] { ending.End(); });
        QCOMPARE(AfxUserInterface().RunSearchWait(ending), int(IDOK));

        FakeSearch cancelled;
        ModalScript script;
        script.Then([](QWidget* wait) { ClickButton(wait, "cancel"); });
        QCOMPARE(AfxUserInterface().RunSearchWait(cancelled), int(IDCANCEL));
        QCOMPARE(cancelled.Cancelled(), 1);
    }
};

QTEST_MAIN(QtUserInterfaceTest)
#include "qt_user_interface_test.moc"
