// SPDX-License-Identifier: GPL-3.0-or-later
// How large the window opens. The form is laid out for 96 DPI; where the desktop
// sets a font DPI (Xft.dpi), everything scales by it, and where it sets none,
// nothing scales, whatever the screen's physical size. A window that would not fit
// the screen's free area at that scale gets the largest scale that fits, never less
// than 100 %.
#ifndef DESKTOPSCALE_H
#define DESKTOPSCALE_H

#include <QByteArray>
#include <QSize>

// The form's size with a window frame around it, at 100 %.
const QSize framedWindowSize(1349 + 8, 740 + 36);

// The Xft.dpi of the X resources the desktop set, or 0 where it set none.
int fontDpiOfResources(const QByteArray &resources);

// fontDpi 0 stands for none set; available is the screen's free area.
qreal windowScale(int fontDpi, const QSize &available, const QSize &window = framedWindowSize);

// On X, sets the scale before the application starts, unless the user chose one
// through Qt's own variables; false where it was left to Qt.
bool applyDesktopScale();

#endif // DESKTOPSCALE_H
