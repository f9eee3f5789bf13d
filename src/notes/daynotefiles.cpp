// SPDX-License-Identifier: GPL-3.0-or-later
#include "daynotefiles.h"

#include "daynames.h"
#include "notenames.h"

#include <QMap>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

QString dateText(const QDate &day)
{
    return comparableNoteName(dayNoteText(day, systemDayNames()));
}

// Without an exact name, the last look-alike in the listing's order is shown, as
// every file of the day is shown in turn.
DayNoteFiles chooseFiles(const QStringList &dayFiles, QStringList exactNames, const QDate &day)
{
    DayNoteFiles files;
    files.watched = dayFiles;
    std::sort(exactNames.begin(), exactNames.end());
    if (exactNames.isEmpty()) {
        files.written = dayNoteText(day, systemDayNames()) + QLatin1String(".txt");
        files.shown = dayFiles.isEmpty() ? QString() : dayFiles.last();
    } else {
        files.written = exactNames.first();
        files.shown = files.written;
    }
    if (exactNames.size() > 1)
        files.joined = exactNames;
    return files;
}

} // namespace

// Every name of the day holds " <day> <year>.", digits and spaces the same in every
// Unicode form, so most names are passed over before they are normalised.
DayNoteFiles dayNoteFiles(const QStringList &fileNames, const QDate &day)
{
    const QString ownName = dateText(day) + QLatin1String(".txt");
    const QString ownPrefix = dateText(day) + QLatin1Char('.');
    const QString ending = QStringLiteral(" %1 %2.txt").arg(day.day()).arg(day.year());
    const QStringView dayAndYear = QStringView(ending).chopped(3);
    QStringList dayFiles;
    QStringList exactNames;
    for (const QString &name : fileNames) {
        if (!name.contains(dayAndYear))
            continue;
        const QString comparable = comparableNoteName(name);
        if (comparable.startsWith(ownPrefix)) {
            dayFiles << name;
            if (comparable == ownName)
                exactNames << name;
        } else if (name.endsWith(ending) && exactNoteDay(comparable, day, day).isValid()) {
            dayFiles << name;
            exactNames << name;
        }
    }
    return chooseFiles(dayFiles, exactNames, day);
}

QHash<QDate, QString> shownNoteFiles(const QStringList &fileNames, const QDate &first, const QDate &last)
{
    if (fileNames.isEmpty())
        return {};
    QHash<QString, QDate> dateTexts;
    for (QDate day = first; day <= last; day = day.addDays(1))
        dateTexts.insert(dateText(day), day);
    QStringList years;
    for (int year = first.year(); year <= last.year(); ++year)
        years << QStringLiteral(" %1.").arg(year);
    QMap<QDate, QStringList> filesOfDay;
    for (const QString &name : fileNames) {
        if (std::none_of(years.cbegin(), years.cend(), [&name](const QString &year) { return name.contains(year); }))
            continue;
        const QString comparable = comparableNoteName(name);
        // Date texts may hold dots of their own, so any dot in the name may end one.
        QDate day;
        for (int dot = 0; !day.isValid() && (dot = comparable.indexOf(QLatin1Char('.'), dot + 1)) > 0;)
            day = dateTexts.value(comparable.left(dot));
        if (!day.isValid())
            day = exactNoteDay(comparable, first, last);
        if (day.isValid())
            filesOfDay[day] << name;
    }
    QHash<QDate, QString> shown;
    for (auto day = filesOfDay.cbegin(); day != filesOfDay.cend(); ++day)
        shown.insert(day.key(), dayNoteFiles(day.value(), day.key()).shown);
    return shown;
}

// Sorted by day rather than hashed, as every name of the folder is looked at on each
// change of it.
QVector<QStringList> noteNamesToJoin(const QStringList &fileNames)
{
    std::vector<std::pair<qint64, int>> days;
    for (int i = 0; i < fileNames.size(); ++i) {
        const QDate day = noteDay(fileNames.at(i));
        if (day.isValid())
            days.emplace_back(day.toJulianDay(), i);
    }
    std::sort(days.begin(), days.end());
    QVector<QStringList> joins;
    for (auto first = days.cbegin(); first != days.cend();) {
        const auto last = std::find_if(first, days.cend(), [first](const std::pair<qint64, int> &day) {
            return day.first != first->first;
        });
        if (last - first > 1) {
            QStringList names;
            for (auto day = first; day != last; ++day)
                names << fileNames.at(day->second);
            const QStringList joined = dayNoteFiles(names, QDate::fromJulianDay(first->first)).joined;
            if (!joined.isEmpty())
                joins << joined;
        }
        first = last;
    }
    return joins;
}
