// SPDX-License-Identifier: GPL-3.0-or-later
#include "daynames.h"

#include "daynametable.h"

#include <QLocale>

namespace {

DayNames parsedLine(const QString &line)
{
    const QStringList fields = line.split(QLatin1Char('\t'));
    DayNames names;
    if (fields.size() != 2 + 7 + 12)
        return names;
    names.locale = fields.at(0);
    names.written = fields.at(1) == QLatin1String("w");
    for (int day = 0; day < 7; ++day)
        names.days[day] = fields.at(2 + day);
    for (int month = 0; month < 12; ++month)
        names.months[month] = fields.at(9 + month);
    return names;
}

QString tableKey(const QLocale &locale)
{
    return locale.name() + QLatin1Char('|') + QLocale::scriptToString(locale.script());
}

const DayNames *writtenLine(const QString &key)
{
    for (const DayNames &names : everyLocaleDayNames()) {
        if (names.written && names.locale == key)
            return &names;
    }
    return nullptr;
}

} // namespace

const QVector<DayNames> &everyLocaleDayNames()
{
    static const QVector<DayNames> table = [] {
        QVector<DayNames> lines;
        for (const QString &line : QString::fromUtf8(dayNameTable).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const DayNames names = parsedLine(line);
            if (!names.locale.isEmpty())
                lines << names;
        }
        return lines;
    }();
    return table;
}

DayNames dayNamesOf(const QString &localeName)
{
    const QLocale locale(localeName);
    for (const QLocale &candidate : {locale, QLocale(locale.language()), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        if (const DayNames *found = writtenLine(tableKey(candidate)))
            return *found;
    }
    return DayNames();
}

QString timeLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("C");
}

const DayNames &systemDayNames()
{
    static const DayNames names = dayNamesOf(timeLocaleName());
    return names;
}

QString dayNoteText(const QDate &day, const DayNames &names)
{
    return names.days[day.dayOfWeek() - 1] + QLatin1Char(' ') + names.months[day.month() - 1]
           + QStringLiteral(" %1 %2").arg(day.day()).arg(day.year());
}
