// The "Please Wait" dialog in front of a network search: started when shown, closed with OK
// once the search has ended and its finds are entered, and the search cancelled whichever
// way the user gives up before its end.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CSearchWaitDialog.h"
#include "FakeSearch.h"
#include "ModalScript.h"

class SearchWaitDialogTest : public QObject {
    Q_OBJECT

private slots:
    void showsTheWaitAndClosesWithOkWhenTheSearchEnds()
    {
        FakeSearch search;
        CSearchWaitDialog dialog(search);
        QCOMPARE(dialog.windowTitle(), QString("Please Wait"));
        QCOMPARE(dialog.findChild<QLabel*>()->text(), QString("Searching Local Network and USB..."));
        QCOMPARE(dialog.findChild<QPushButton*>("cancel")->text(), QString("Cancel"));
        QCOMPARE(search.Begun(), 0);

        QTimer::singleShot(200, [&] {
            QCOMPARE(search.Begun(), 1);
            search.End();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(search.Begun(), 1);
        QCOMPARE(search.Cancelled(), 0);
    }

    void cancelButtonEscapeAndCloseBoxEachCancelTheSearch()
    {
        const std::function<void(QWidget*)> ways[] = {
            [](QWidget* wait) { ClickButton(wait, "cancel"); },
            [](QWidget* wait) { QTest::keyClick(wait, Qt::Key_Escape); },
            [](QWidget* wait) { wait->close(); },
        };
        for (const auto& way : ways) {
            FakeSearch search;
            CSearchWaitDialog dialog(search);
            ModalScript script;
            script.Then(way);
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QCOMPARE(search.Begun(), 1);
            QCOMPARE(search.Cancelled(), 1);
        }
    }

    void aSearchThatHasEndedIsNotCancelled()
    {
        FakeSearch search;
        search.End();
        CSearchWaitDialog dialog(search);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        dialog.reject();
        QCOMPARE(search.Cancelled(), 0);
    }

    void afterTheEndTheFindsAreEnteredInShortSlicesThatNothingCancelsOrNests()
    {
        FakeSearch search;
        search.End();
        CSearchWaitDialog dialog(search);
        bool loopRanBetweenSlices = false;
        search.SettleIn(3, [&](int slice) {
            if (slice == 1) {
                QVERIFY(!dialog.findChild<QPushButton*>("cancel")->isEnabled());
                QTimer::singleShot(0, [&] { loopRanBetweenSlices = true; });
                // As a message box shown from inside a slice would: an event loop of its own.
                QTest::qWait(150);
            }
            if (slice == 2) {
                QVERIFY(loopRanBetweenSlices);
                QTest::keyClick(&dialog, Qt::Key_Escape);
                dialog.close();
            }
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(search.Slices(), 3);
        QCOMPARE(search.DeepestSlices(), 1);
        QVERIFY(search.LongestSliceMs() > 0 && search.LongestSliceMs() <= 50);
        QCOMPARE(search.Cancelled(), 0);
    }
};

QTEST_MAIN(SearchWaitDialogTest)
#include "search_wait_dialog_test.moc"
