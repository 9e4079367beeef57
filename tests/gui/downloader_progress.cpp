// The text progress bar: filled width and text from its own range, repaints only when the
// filled width changes, and an empty range that neither divides by zero nor draws a bar.
#include <QImage>
#include <QPainter>
#include <QTest>

#include "CTextProgressCtrl.h"

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// A bar 200 by 20 pixels on screen, with its colours fixed so that pixels can be told apart.
struct ShownBar {
    ShownBar()
    {
        QPalette palette;
        palette.setColor(QPalette::Highlight, Qt::blue);
        palette.setColor(QPalette::Base, Qt::white);
        bar.setPalette(palette);
        bar.resize(200, 20);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
    }
    QImage Picture() { return bar.grab().toImage(); }
    CTextProgressCtrl bar;
};

}  // namespace

class TextProgressCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void filledWidthAndPercentFollowTheRange()
    {
        ShownBar shown;
        shown.bar.SetShowText(false);
        shown.bar.SetRange(0, 1000);
        QCOMPARE(shown.bar.SetPos(333), std::int64_t{0});
        QCOMPARE(shown.bar.BarWidth(), 66);
        QCOMPARE(shown.bar.PercentText(), QStringLiteral("33%"));

        shown.bar.SetPos(1000);
        QCOMPARE(shown.bar.BarWidth(), 200);
        QCOMPARE(shown.bar.PercentText(), QStringLiteral("100%"));

        // Beyond the range nothing is clamped.
        shown.bar.SetPos(1500);
        QCOMPARE(shown.bar.PercentText(), QStringLiteral("150%"));
        shown.bar.SetPos(-100);
        QCOMPARE(shown.bar.BarWidth(), -20);
        QCOMPARE(shown.bar.PercentText(), QStringLiteral("-10%"));
    }

    void rangesBeyondThirtyTwoBitsKeepTheirFraction()
    {
        ShownBar shown;
        const std::int64_t fiveGiB = std::int64_t{5} << 30;
        shown.bar.SetRange(0, fiveGiB);
        shown.bar.SetPos(fiveGiB / 4);
        QCOMPARE(shown.bar.BarWidth(), 50);
        QCOMPARE(shown.bar.PercentText(), QStringLiteral("25%"));
    }

    void paintsTheFilledPartInTheBarColour()
    {
        ShownBar shown;
        shown.bar.SetShowText(false);
        shown.bar.SetRange(0, 1000);
        shown.bar.SetPos(333);
        const QImage picture = shown.Picture();
        const qreal ratio = picture.devicePixelRatio();
        QCOMPARE(picture.pixelColor(QPoint(65 * ratio, 10 * ratio)), QColor(Qt::blue));
        QCOMPARE(picture.pixelColor(QPoint(66 * ratio, 10 * ratio)), QColor(Qt::white));
    }

    void textIsInvertedOverTheFilledPart()
    {
        ShownBar shown;
        shown.bar.SetRange(0, 100);
        shown.bar.SetWindowText(QStringLiteral("MMMMMMMMMMMM"));
        shown.bar.SetPos(50);
        const QImage picture = shown.Picture();
        // Text over the filled part is drawn in the empty part's colour and the reverse, so
        // both halves hold both colours.
        bool whiteInFilled = false;
        bool blueInEmpty = false;
        for (int x = 0; x < picture.width(); ++x) {
            for (int y = 0; y < picture.height(); ++y) {
                const QColor colour = picture.pixelColor(x, y);
                if (x < picture.width() / 2 - 1 && colour == QColor(Qt::white)) whiteInFilled = true;
                if (x > picture.width() / 2 + 1 && colour == QColor(Qt::blue)) blueInEmpty = true;
            }
        }
        QVERIFY(whiteInFilled);
        QVERIFY(blueInEmpty);
        QCOMPARE(shown.bar.WindowText(), QStringLiteral("MMMMMMMMMMMM"));
    }

    void repaintsOnlyWhenTheFilledWidthChanges()
    {
        ShownBar shown;
        shown.bar.SetRange(0, 1000);
        shown.bar.SetPos(333);
        QCoreApplication::processEvents();
        PaintCounter paints(&shown.bar);
        shown.bar.SetPos(334);  // 66.8 pixels: still 66
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 0);
        shown.bar.SetPos(340);  // 68 pixels
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, 1);

        // After a size change the next position repaints even when it is the same.
        shown.bar.resize(300, 20);
        QCoreApplication::processEvents();
        const int afterResize = paints.count;
        shown.bar.SetPos(340);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count, afterResize + 1);
        QCOMPARE(shown.bar.BarWidth(), 102);
    }

    void anEmptyRangeDrawsNoBarAndDoesNotDivide()
    {
        ShownBar shown;
        shown.bar.SetRange(0, 0);
        QCOMPARE(shown.bar.SetPos(0), std::int64_t{0});
        QCOMPARE(shown.bar.BarWidth(), 0);
        QCOMPARE(shown.bar.PercentText(), QString());
        const QImage picture = shown.Picture();
        QCOMPARE(picture.pixelColor(QPoint(0, 0)), QColor(Qt::white));
        QCOMPARE(picture.pixelColor(QPoint(picture.width() - 1, picture.height() - 1)), QColor(Qt::white));
    }

    void aDestroyedWindowKeepsItsPosition()
    {
        ShownBar shown;
        shown.bar.SetRange(0, 10);
        shown.bar.SetPos(4);
        shown.bar.DestroyWindow();
        QCOMPARE(shown.bar.SetPos(7), std::int64_t{-1});
        QCOMPARE(shown.bar.Pos(), std::int64_t{4});
    }
};

QTEST_MAIN(TextProgressCtrlTest)
#include "downloader_progress.moc"
