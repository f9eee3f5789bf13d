#include "groceryitems.h"

#include <algorithm>

// Grocery items are lines; blank lines carry no item. Spaces around an item are kept,
// since the user typed them.
namespace {

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
