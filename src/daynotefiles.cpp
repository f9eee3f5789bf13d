#include "daynotefiles.h"

#include "notenames.h"

#include <QMap>

#include <algorithm>

namespace {

QString dateText(const QDate &day)
{
    return comparableNoteName(day.toString(Qt::TextDate));
}

// Without an exact name, the last look-alike in the listing's order is shown, as
// every file of the day is shown in turn.
DayNoteFiles chooseFiles(const QStringList &dayFiles, QStringList exactNames, const QDate &day)
{
    DayNoteFiles files;
    files.watched = dayFiles;
    std::sort(exactNames.begin(), exactNames.end());
    if (exactNames.isEmpty()) {
        files.written = day.toString(Qt::TextDate) + QLatin1String(".txt");
        files.shown = dayFiles.isEmpty() ? QString() : dayFiles.last();
    } else {
        files.written = exactNames.first();
        files.shown = files.written;
    }
    if (exactNames.size() > 1)
        files.joined = exactNames;
    return files;
}

// " <day> <year>.txt" of a name, or an empty ref.
QStringRef dayAndYearOf(const QString &name)
{
    const int yearStart = name.lastIndexOf(QLatin1Char(' '));
    const int dayStart = yearStart > 0 ? name.lastIndexOf(QLatin1Char(' '), yearStart - 1) : -1;
    return dayStart < 0 ? QStringRef() : name.midRef(dayStart);
}

} // namespace

// Every name of the day holds " <day> <year>.", digits and spaces the same in every
// Unicode form, so most names are passed over before they are normalised.
DayNoteFiles dayNoteFiles(const QStringList &fileNames, const QDate &day)
{
    const QString ownName = dateText(day) + QLatin1String(".txt");
    const QString ownPrefix = dateText(day) + QLatin1Char('.');
    const QString ending = QStringLiteral(" %1 %2.txt").arg(day.day()).arg(day.year());
    const QStringRef dayAndYear = ending.leftRef(ending.size() - 3);
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

// Exact names of one day end alike, " <day> <year>.txt"; a folder has mostly one name
// for each ending, which needs no closer look.
QVector<QStringList> noteNamesToJoin(const QStringList &fileNames)
{
    QHash<QStringRef, int> namesEndingSo;
    for (const QString &name : fileNames)
        ++namesEndingSo[dayAndYearOf(name)];
    QHash<QDate, QStringList> exactNames;
    for (const QString &name : fileNames) {
        if (namesEndingSo.value(dayAndYearOf(name)) < 2)
            continue;
        const QDate day = exactNoteDay(comparableNoteName(name));
        if (day.isValid())
            exactNames[day] << name;
    }
    QVector<QStringList> joins;
    for (auto day = exactNames.cbegin(); day != exactNames.cend(); ++day) {
        const QStringList joined = dayNoteFiles(day.value(), day.key()).joined;
        if (!joined.isEmpty())
            joins << joined;
    }
    return joins;
}
