// A status-bar pane that shows its text while a lock key (Caps, Num, Scroll) is on.
#pragma once

#include <QLabel>

class CLockKeyIndicator : public QLabel {
    Q_OBJECT
public:
    // ledName is the kernel's name of the key's light: "capslock", "numlock" or "scrolllock".
    CLockKeyIndicator(const QString& text, const QString& ledName, QWidget* parent = nullptr);

    // Reads the key's state again.
    void Refresh();
    bool IsOn() const { return m_bOn; }

private:
    QString m_strText;
    QString m_strLedName;
    bool m_bOn = false;
};
