#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "CommandTable.h"

namespace {

const QColor kBody(0x55, 0x5f, 0x6b);
const QColor kPaper(0xf8, 0xf8, 0xf4);
const QColor kGreen(0x2e, 0x9a, 0x3c);
const QColor kRed(0xc8, 0x2a, 0x2a);
const QColor kBlue(0x2a, 0x64, 0xc8);
const QColor kYellow(0xe8, 0xb8, 0x30);

// Every icon is drawn on a 16-unit grid and scaled to the size asked for.
QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        paint(painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Printer(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1, 8, 6));
    p.setBrush(kBody);
    p.drawRoundedRect(QRectF(1, 6, 14, 7), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 11, 8, 4));
}

void Badge(QPainter& p, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(8, 8, 8, 8));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
}

void Page(QPainter& p)
{
    p.setPen(QPen(kBody, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(2.5, 0.5, 11, 15));
}

void Letter(QPainter& p, const QString& letter, const QColor& colour)
{
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(2, 1, 12, 14), Qt::AlignCenter, letter);
}

void Folder(QPainter& p)
{
    p.setPen(QPen(kBody, 1));
    p.setBrush(kYellow);
    p.drawRect(QRectF(0.5, 3.5, 6, 3));
    p.drawRect(QRectF(0.5, 5.5, 13, 8));
}

void DownArrow(QPainter& p, const QColor& colour)
{
    QPainterPath arrow;
    arrow.moveTo(6, 1);
    arrow.lineTo(10, 1);
    arrow.lineTo(10, 7);
    arrow.lineTo(13, 7);
    arrow.lineTo(8, 13);
    arrow.lineTo(3, 7);
    arrow.lineTo(6, 7);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(arrow);
}

}  // namespace

QIcon CommandIcon(int commandId)
{
    switch (commandId) {
    case ID_PRINTER_ADD:
        return Draw([](QPainter& p) {
            Printer(p);
            Badge(p, kGreen);
            p.drawLine(QPointF(12, 10), QPointF(12, 14));
            p.drawLine(QPointF(10, 12), QPointF(14, 12));
        });
    case ID_PRINTER_MODIFY:
        return Draw([](QPainter& p) {
            Printer(p);
            p.setPen(QPen(kYellow, 2.5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(8, 15), QPointF(15, 8));
            p.setPen(QPen(Qt::black, 1));
            p.drawPoint(QPointF(8, 15));
        });
    case ID_PRINTER_DELETE:
        return Draw([](QPainter& p) {
            Printer(p);
            Badge(p, kRed);
            p.drawLine(QPointF(10.5, 10.5), QPointF(13.5, 13.5));
            p.drawLine(QPointF(13.5, 10.5), QPointF(10.5, 13.5));
        });
    case ID_PRINTER_AUTODETECT:
        return Draw([](QPainter& p) {
            Printer(p);
            p.setPen(QPen(kBlue, 1.8));
            p.setBrush(QColor(255, 255, 255, 160));
            p.drawEllipse(QRectF(7, 7, 6, 6));
            p.drawLine(QPointF(12.5, 12.5), QPointF(15, 15));
        });
    case ID_FIRMWARE_SELECT:
        return Draw([](QPainter& p) {
            Folder(p);
            p.setPen(QPen(kGreen, 1.6));
            p.drawLine(QPointF(12, 0.5), QPointF(12, 5.5));
            p.drawLine(QPointF(9.5, 3), QPointF(14.5, 3));
        });
    case ID_FIRMWARE_CLEAR:
        return Draw([](QPainter& p) {
            Folder(p);
            Badge(p, kRed);
            p.drawLine(QPointF(10, 12), QPointF(14, 12));
        });
    case ID_DOWNLOAD_ALL:
        return Draw([](QPainter& p) {
            DownArrow(p, kGreen);
            p.setPen(QPen(kBody, 1.5));
            p.drawLine(QPointF(2, 15), QPointF(14, 15));
        });
    case ID_DOWNLOAD_CANCEL:
        return Draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawRoundedRect(QRectF(2, 2, 12, 12), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5, 5, 6, 6));
        });
    case ID_TEST_PAGE_KPL:
        return Draw([](QPainter& p) {
            Page(p);
            Letter(p, QStringLiteral("K"), kBlue);
        });
    case ID_TEST_PAGE_QPL:
        return Draw([](QPainter& p) {
            Page(p);
            Letter(p, QStringLiteral("Q"), kGreen);
        });
    case ID_APP_ABOUT:
        return Draw([](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawEllipse(QRectF(1, 1, 14, 14));
            Letter(p, QStringLiteral("i"), Qt::white);
        });
    default:
        return {};
    }
}

QIcon ApplicationIcon()
{
    return Draw([](QPainter& p) {
        Printer(p);
        p.save();
        p.translate(6, 0);
        p.scale(0.6, 0.6);
        DownArrow(p, kGreen);
        p.restore();
    });
}

QIcon PrinterRowIcon() { return Draw(Printer); }
