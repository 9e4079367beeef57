// The program's icons, drawn from simple shapes so that they need no image files.
#pragma once

#include <QIcon>

QIcon CommandIcon(int commandId);
// The program's own icon (a printer with a downward arrow).
QIcon ApplicationIcon();
// The icon of every row of the printer list.
QIcon PrinterRowIcon();
