// SPDX-License-Identifier: GPL-3.0-or-later
#include "mealsearch.h"

#include "groceryitems.h"

#include <QRegularExpression>

#include <algorithm>

QString searchableText(const QString &text)
{
    // Most notes are plain ASCII, which has no marks to take off.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString searchable;
    searchable.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category != QChar::Mark_NonSpacing && category != QChar::Mark_SpacingCombining
                && category != QChar::Mark_Enclosing)
            searchable += c;
    }
    // Qt folds case one letter for one letter; the sharp s folds to two.
    return searchable.toCaseFolded().replace(QChar(0xdf), QLatin1String("ss"));
}

SearchableNote searchableNote(const QDate &day, const QString &note)
{
    SearchableNote searchable {day, groceryItems(note), {}};
    searchable.searchableLines.reserve(searchable.lines.size());
    for (const QString &line : qAsConst(searchable.lines))
        searchable.searchableLines << searchableText(line);
    return searchable;
}

QStringList searchWords(const QString &query)
{
    return searchableText(query).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

bool noteMatches(const SearchableNote &note, const QStringList &words, QString *line)
{
    if (words.isEmpty())
        return false;
    const auto holds = [&note](const QString &word) {
        return std::any_of(note.searchableLines.cbegin(), note.searchableLines.cend(),
                           [&word](const QString &searchable) { return searchable.contains(word); });
    };
    if (!std::all_of(words.cbegin(), words.cend(), holds))
        return false;
    for (int i = 0; i < note.searchableLines.size(); ++i) {
        const QString &searchable = note.searchableLines.at(i);
        if (std::any_of(words.cbegin(), words.cend(), [&searchable](const QString &word) {
                return searchable.contains(word);
            })) {
            *line = note.lines.at(i).trimmed();
            break;
        }
    }
    return true;
}
