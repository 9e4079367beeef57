// The help viewer: shows the program's HTML help in a window of its own, without a network.
#pragma once

#include <QTextBrowser>

class CHelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    CHelpWindow();

    // Shows the document at path, or says that it cannot be found.
    void ShowFile(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
