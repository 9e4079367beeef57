#include "CLockKeyIndicator.h"

#include <QDir>
#include <QFile>

namespace {

// Qt does not report lock keys; the kernel shows each keyboard's lights under /sys, and a
// lock is on when any keyboard shows it lit.
bool AnyLedLit(const QString& ledName)
{
    const QDir leds(QStringLiteral("/sys/class/leds"));
    for (const QString& entry : leds.entryList({QStringLiteral("*::") + ledName}, QDir::Dirs | QDir::System)) {
        QFile brightness(leds.filePath(entry + QStringLiteral("/brightness")));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0) return true;
    }
    return false;
}

}  // namespace

CLockKeyIndicator::CLockKeyIndicator(const QString& text, const QString& ledName, QWidget* parent)
    : QLabel(parent), m_strText(text), m_strLedName(ledName)
{
    setAlignment(Qt::AlignCenter);
    // The pane keeps its width whether the text shows or not.
    setMinimumWidth(fontMetrics().horizontalAdvance(text) + 12);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Refresh();
}

void CLockKeyIndicator::Refresh()
{
    m_bOn = AnyLedLit(m_strLedName);
    setText(m_bOn ? m_strText : QString());
}
