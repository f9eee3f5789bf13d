// SPDX-License-Identifier: GPL-3.0-or-later
#include "groceryitems.h"

#include "linemerge.h"

#include <QHash>

#include <algorithm>

// Grocery items are lines; blank lines carry no item. Spaces around an item are kept,
// since the user typed them.
namespace {

const QLatin1String tickMarker("x ");

int leadingSpaces(const QString &text)
{
    return int(std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c != QLatin1Char(' '); })
               - text.cbegin());
}

// Read as ticked after its spaces: the marker with text after it.
bool readsAsTicked(const QString &text, int from)
{
    const QStringView rest = QStringView(text).mid(from);
    return rest.startsWith(tickMarker) && !rest.mid(tickMarker.size()).trimmed().isEmpty();
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator;
}

} // namespace

// One pass over the text, as a list may hold thousands of items: "\r\n", "\r", "\n"
// and the paragraph separator each end a line.
QStringList groceryItems(const QString &text)
{
    QStringList items;
    const QChar *line = text.constBegin();
    const QChar *const end = text.constEnd();
    for (;;) {
        const QChar *lineEnd = std::find_if(line, end, isLineBreak);
        if (!std::all_of(line, lineEnd, [](QChar c) { return c.isSpace(); }))
            items.append(QString(line, int(lineEnd - line)));
        if (lineEnd == end)
            return items;
        const bool crlf = *lineEnd == QLatin1Char('\r') && lineEnd + 1 != end && lineEnd[1] == QLatin1Char('\n');
        line = lineEnd + (crlf ? 2 : 1);
    }
}

GroceryItem groceryItemOfLine(const QString &line)
{
    const int spaces = leadingSpaces(line);
    if (!readsAsTicked(line, spaces))
        return {line, false};
    if (spaces == 0)
        return {line.mid(tickMarker.size()), true};
    return {line.mid(1), false};
}

QString groceryLineOf(const QString &text, bool ticked)
{
    if (ticked)
        return tickMarker + text;
    return readsAsTicked(text, leadingSpaces(text)) ? QLatin1Char(' ') + text : text;
}

QStringList groceryItemTexts(const QStringList &lines)
{
    QStringList texts;
    texts.reserve(lines.size());
    for (const QString &line : lines)
        texts << groceryItemOfLine(line).text;
    return texts;
}

QStringList linesOfItems(const QStringList &lines, const QStringList &texts)
{
    QHash<QString, int> wanted;
    for (const QString &text : texts)
        ++wanted[text];
    QStringList kept;
    for (const QString &line : lines) {
        int &left = wanted[groceryItemOfLine(line).text];
        if (left > 0) {
            --left;
            kept << line;
        }
    }
    return kept;
}

QString groceryItemForReading(const QString &line)
{
    const GroceryItem item = groceryItemOfLine(line);
    return item.ticked ? item.text + QStringLiteral(" \u2713") : item.text;
}

QStringList sharedItems(const QStringList &a, const QStringList &b)
{
    return linesOfItems(a, sharedLines(groceryItemTexts(a), groceryItemTexts(b)));
}

QStringList ticksOfDeletedUndone(const QStringList &base, const QStringList &copy,
                                 const QHash<QString, int> &heldAsBase)
{
    QHash<QString, QStringList> deleted;
    for (const QString &line : base) {
        const QString text = groceryItemOfLine(line).text;
        if (heldAsBase.value(text) == 0)
            deleted[text] << line;
    }
    QStringList undone;
    undone.reserve(copy.size());
    for (const QString &line : copy) {
        const auto lines = deleted.find(groceryItemOfLine(line).text);
        undone << (lines != deleted.end() && !lines->isEmpty() ? lines->takeFirst() : line);
    }
    return undone;
}

QStringList sparedItemsAsAdded(const QStringList &text, QHash<QString, int> spared, QHash<QString, int> heldAsBase)
{
    QStringList added;
    added.reserve(text.size());
    for (const QString &line : text) {
        const GroceryItem item = groceryItemOfLine(line);
        int &toSpare = spared[item.text];
        int &held = heldAsBase[line];
        if (toSpare > 0 && held > 0) {
            --toSpare;
            --held;
            added << groceryLineOf(item.text, !item.ticked);
        } else {
            added << line;
        }
    }
    return added;
}
