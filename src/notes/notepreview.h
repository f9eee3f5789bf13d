// SPDX-License-Identifier: GPL-3.0-or-later
// What a day's tooltip shows of its note: its first lines, each cut to a length that
// a tooltip shows whole.
#ifndef NOTEPREVIEW_H
#define NOTEPREVIEW_H

#include <QString>

QString notePreview(const QString &note, int maxLines = 5, int maxLineLength = 60);

#endif // NOTEPREVIEW_H
