// SPDX-License-Identifier: GPL-3.0-or-later
#include "notepreview.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

const QChar ellipsis(0x2026);

} // namespace

// Blank lines carry nothing to read; where lines are left out, an ellipsis says so.
QString notePreview(const QString &note, int maxLines, int maxLineLength)
{
    QStringList lines;
    const QStringList all = note.split(QRegularExpression(QStringLiteral("\r\n|\r|\n|\u2029")));
    for (const QString &line : all) {
        const QString shown = line.trimmed();
        if (shown.isEmpty())
            continue;
        if (lines.size() == maxLines) {
            lines.last() += ellipsis;
            break;
        }
        lines << (shown.size() > maxLineLength ? shown.left(maxLineLength - 1).trimmed() + ellipsis : shown);
    }
    return lines.join(QLatin1Char('\n'));
}
