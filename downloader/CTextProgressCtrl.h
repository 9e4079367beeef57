// A progress bar with its own wide range that draws its percentage, or a text of its own,
// inverted over the filled part, and asks for a repaint only when the filled width changes.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <cstdint>

class CTextProgressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    // The control keeps its own copy, so the caller's font may change or go.
    void SetTextFont(const QFont& font);
    void SetRange(std::int64_t lower, std::int64_t upper);
    // Returns the previous position, or -1 (storing nothing) once the window is destroyed.
    std::int64_t SetPos(std::int64_t position);
    void SetShowText(bool show);
    // A non-empty text is shown instead of the percentage.
    void SetWindowText(const QString& text);
    QString WindowText() const { return m_strText; }
    // Ends the control's life as a window; the owner deletes the object afterwards.
    void DestroyWindow();

    std::int64_t Pos() const { return m_nPos; }
    // The width of the filled part at the last SetPos, -1 while unknown.
    int BarWidth() const { return m_nBarWidth; }
    // What the bar reads when no text of its own is set.
    QString PercentText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The two colours come from the palette: the selection colour fills, the window's empties.
    void TakePaletteColours();
    bool HasRange() const { return m_nMin < m_nMax; }
    double Fraction() const;

    std::int64_t m_nPos = 0;
    std::int64_t m_nMax = 100;
    std::int64_t m_nMin = 0;
    QString m_strText;
    bool m_bShowText = true;
    int m_nBarWidth = -1;
    bool m_bWindow = true;
    QColor m_colFore;
    QColor m_colBk;
    QColor m_colTextFore;
    QColor m_colTextBk;
    QFont m_font;
};
