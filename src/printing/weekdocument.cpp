// SPDX-License-Identifier: GPL-3.0-or-later
#include "weekdocument.h"

#include "groceryitems.h"

#include <QLocale>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

void insertHeading(QTextCursor &cursor, const QString &text)
{
    QTextBlockFormat heading;
    heading.setHeadingLevel(2);
    heading.setTopMargin(12);
    heading.setBottomMargin(4);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(14);
    if (!cursor.atStart())
        cursor.insertBlock();
    cursor.setBlockFormat(heading);
    cursor.setCharFormat(bold);
    cursor.insertText(text);
}

void insertPlainText(QTextCursor &cursor, const QString &text, const QTextCharFormat &format = QTextCharFormat())
{
    cursor.insertBlock(QTextBlockFormat(), format);
    cursor.insertText(text);
}

// A ticked item struck through, as the list shows it.
QTextCharFormat itemFormat(const GroceryItem &item)
{
    QTextCharFormat format;
    format.setFontStrikeOut(item.ticked);
    return format;
}

} // namespace

QList<QDate> weekHolding(const QDate &day)
{
    const int intoWeek = (day.dayOfWeek() - QLocale().firstDayOfWeek() + 7) % 7;
    QList<QDate> week;
    for (int i = 0; i < 7; ++i)
        week << day.addDays(i - intoWeek);
    return week;
}

QTextDocument *weekDocument(const QList<DayNote> &notes, const QStringList &lines, QObject *parent)
{
    auto *document = new QTextDocument(parent);
    QTextCursor cursor(document);
    for (const DayNote &note : notes) {
        insertHeading(cursor, QLocale().toString(note.first, QLocale::LongFormat));
        if (!note.second.isEmpty())
            insertPlainText(cursor, note.second);
    }
    insertHeading(cursor, QStringLiteral("Grocery List"));
    for (const QString &line : lines) {
        const GroceryItem item = groceryItemOfLine(line);
        insertPlainText(cursor, item.text, itemFormat(item));
    }
    return document;
}
