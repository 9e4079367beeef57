#include "CTextProgressCtrl.h"

#include <QEvent>
#include <QPainter>
#include <QPalette>

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QWidget(parent), m_font(font())
{
    TakePaletteColours();
    // Every pixel is painted by the control itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTextProgressCtrl::TakePaletteColours()
{
    m_colFore = m_colTextFore = palette().color(QPalette::Highlight);
    m_colBk = m_colTextBk = palette().color(QPalette::Base);
}

void CTextProgressCtrl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) TakePaletteColours();
    QWidget::changeEvent(event);
}

void CTextProgressCtrl::SetTextFont(const QFont& font) { m_font = font; }

void CTextProgressCtrl::SetRange(std::int64_t lower, std::int64_t upper)
{
    m_nMin = lower;
    m_nMax = upper;
}

double CTextProgressCtrl::Fraction() const
{
    return static_cast<double>(m_nPos - m_nMin) / static_cast<double>(m_nMax - m_nMin);
}

std::int64_t CTextProgressCtrl::SetPos(std::int64_t position)
{
    if (!m_bWindow) return -1;
    const std::int64_t old = m_nPos;
    m_nPos = position;
    // An empty range (a file of no bytes) has no fraction; its bar stays empty.
    const int filled = HasRange() ? static_cast<int>(Fraction() * width()) : 0;
    if (filled != m_nBarWidth) {
        m_nBarWidth = filled;
        // Asked for, not done at once: with many bars moving, the paints of one pass of the
        // event loop reach the screen together instead of one flush per report.
        update();
    }
    return old;
}

void CTextProgressCtrl::SetShowText(bool show)
{
    if (m_bWindow && show != m_bShowText) update();
    m_bShowText = show;
}

void CTextProgressCtrl::SetWindowText(const QString& text)
{
    if (text == m_strText) return;
    m_strText = text;
    update();
}

void CTextProgressCtrl::DestroyWindow()
{
    m_bWindow = false;
    hide();
}

QString CTextProgressCtrl::PercentText() const
{
    if (!HasRange()) return {};
    return QStringLiteral("%1%").arg(static_cast<int>(Fraction() * 100.0));
}

void CTextProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect client = rect();
    if (!HasRange()) {
        painter.fillRect(client, m_colBk);
        return;
    }
    const int split = client.left() + static_cast<int>(client.width() * Fraction());
    QRect filled = client;
    filled.setRight(split - 1);
    QRect empty = client;
    empty.setLeft(split);
    painter.fillRect(filled.intersected(client), m_colFore);
    painter.fillRect(empty.intersected(client), m_colBk);
    if (!m_bShowText) return;

    const QString text = m_strText.isEmpty() ? PercentText() : m_strText;
    painter.setFont(m_font);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setClipRect(filled);
    painter.setPen(m_colTextBk);
    painter.drawText(client, flags, text);
    painter.setClipRect(empty);
    painter.setPen(m_colTextFore);
    painter.drawText(client, flags, text);
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_nBarWidth = -1;
}
