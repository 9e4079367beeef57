// Saves a picture of a shown widget as a PNG, for the smoke tests a person looks at.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <cstdio>

// Shows the widget if needed, waits until it is on screen and saves it as NAME.png in folder;
// false (with the reason on stderr) when it never showed or could not be saved.
inline bool SaveScreenshot(QWidget& widget, const QDir& folder, const QString& name)
{
    if (!widget.isVisible()) widget.show();
    if (!QTest::qWaitForWindowExposed(&widget)) {
        std::fprintf(stderr, "%s was never shown\n", qPrintable(name));
        return false;
    }
    QTest::qWait(150);
    const QString path = folder.filePath(name + ".png");
    const QPixmap picture = widget.grab();
    if (picture.isNull() || !picture.save(path) || QFileInfo(path).size() == 0) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}
