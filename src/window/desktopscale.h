// SPDX-License-Identifier: GPL-3.0-or-later
// How large the window opens. The form is laid out for 96 DPI; where the desktop
// sets a font DPI (Xft.dpi), everything scales by it, and where it sets none, it
// opens at 100 %, whatever the screen's physical size. A window that would not fit
// the screen's free area at that scale, frame included, gets the largest scale that
// fits, below 100 % too where the screen is small (a 1366x768 laptop with a panel),
// though never below 80 %, where text would get too small to read.
#ifndef DESKTOPSCALE_H
#define DESKTOPSCALE_H

#include <QByteArray>
#include <QSize>

// The form's size at 100 %, and the frame the window manager draws around it, which
// does not scale.
const QSize formSize(1349, 740);
const QSize windowFrame(8, 36);
const qreal smallestScale = 0.8;

// The Xft.dpi of the X resources the desktop set, or 0 where it set none.
int fontDpiOfResources(const QByteArray &resources);

// fontDpi 0 stands for none set; available is the screen's free area.
qreal windowScale(int fontDpi, const QSize &available);

// On X, sets the scale before the application starts, unless the user chose one
// through Qt's own variables; false where it was left to Qt.
bool applyDesktopScale();

#endif // DESKTOPSCALE_H
