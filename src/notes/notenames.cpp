// SPDX-License-Identifier: GPL-3.0-or-later
#include "notenames.h"

#include "daynames.h"

#include <QHash>
#include <QVector>

namespace {

struct WeekdayAndMonth
{
    int weekday;
    int month;
    bool operator==(const WeekdayAndMonth &other) const
    {
        return weekday == other.weekday && month == other.month;
    }
};

// "<short weekday> <short month>", as a locale writes them before the day and year.
using PrefixTable = QHash<QString, QVector<WeekdayAndMonth>>;

void addNames(PrefixTable *table, const DayNames &names)
{
    QString months[12];
    for (int month = 1; month <= 12; ++month)
        months[month - 1] = comparableNoteName(names.months[month - 1]);
    for (int weekday = 1; weekday <= 7; ++weekday) {
        const QString dayName = comparableNoteName(names.days[weekday - 1]) + QLatin1Char(' ');
        for (int month = 1; month <= 12; ++month) {
            QVector<WeekdayAndMonth> &meanings = (*table)[dayName + months[month - 1]];
            if (!meanings.contains({weekday, month}))
                meanings.append({weekday, month});
        }
    }
}

// Every locale's names; built the first time a name may need it, as it takes a while.
const PrefixTable &anyLanguage()
{
    static const PrefixTable table = [] {
        PrefixTable names;
        for (const DayNames &locale : everyLocaleDayNames())
            addNames(&names, locale);
        return names;
    }();
    return table;
}

const PrefixTable &systemLanguage()
{
    static const PrefixTable table = [] {
        PrefixTable names;
        addNames(&names, systemDayNames());
        return names;
    }();
    return table;
}

// A day or a year as the names write it: digits, no sign, no leading zero.
bool readNumber(QStringView text, int *number)
{
    bool isNumber = false;
    *number = text.toInt(&isNumber);
    return isNumber && text.at(0).isDigit() && text.at(0) != QLatin1Char('0');
}

// Splits "<prefix> <day> <year>.txt" into its parts; false for any other name.
bool splitName(const QString &fileName, QString *prefix, int *day, int *year)
{
    if (!fileName.endsWith(QLatin1String(".txt")))
        return false;
    const int yearStart = fileName.lastIndexOf(QLatin1Char(' ')) + 1;
    const int dayStart = yearStart > 1 ? fileName.lastIndexOf(QLatin1Char(' '), yearStart - 2) + 1 : 0;
    if (dayStart < 2 || yearStart - 1 == dayStart || yearStart == fileName.size() - 4)
        return false;
    *prefix = fileName.left(dayStart - 1);
    return readNumber(QStringView(fileName).mid(dayStart, yearStart - 1 - dayStart), day)
           && readNumber(QStringView(fileName).mid(yearStart, fileName.size() - 4 - yearStart), year);
}

bool isDayInRange(int day, int year, const QDate &first, const QDate &last)
{
    for (QDate month(first.year(), first.month(), 1); month <= last; month = month.addMonths(1)) {
        const QDate date(year, month.month(), day);
        if (month.year() == year && date >= first && date <= last)
            return true;
    }
    return false;
}

// The one date the meanings give the day and year; invalid for none or two.
QDate dateMeant(const QVector<WeekdayAndMonth> &meanings, int day, int year)
{
    QDate meant;
    for (const WeekdayAndMonth &meaning : meanings) {
        const QDate date(year, meaning.month, day);
        if (!date.isValid() || date.dayOfWeek() != meaning.weekday || date == meant)
            continue;
        if (meant.isValid())
            return QDate();
        meant = date;
    }
    return meant;
}

} // namespace

QString comparableNoteName(const QString &fileName)
{
    return fileName.normalized(QString::NormalizationForm_C);
}

// The cheap tests come first, so that a folder of notes named in the system's own
// language never builds the table of every language.
QDate exactNoteDay(const QString &comparableName, const QDate &first, const QDate &last)
{
    QString prefix;
    int day = 0;
    int year = 0;
    if (!splitName(comparableName, &prefix, &day, &year)
            || (first.isValid() && !isDayInRange(day, year, first, last))) {
        return QDate();
    }
    QDate meant = dateMeant(systemLanguage().value(prefix), day, year);
    if (!meant.isValid())
        meant = dateMeant(anyLanguage().value(prefix), day, year);
    return !first.isValid() || (meant >= first && meant <= last) ? meant : QDate();
}

// A name in the system's own language, as nearly all are, is read without normalising.
QDate noteDay(const QString &fileName)
{
    QString prefix;
    int day = 0;
    int year = 0;
    if (!splitName(fileName, &prefix, &day, &year))
        return QDate();
    const QDate meant = dateMeant(systemLanguage().value(prefix), day, year);
    return meant.isValid() ? meant : exactNoteDay(comparableNoteName(fileName));
}
