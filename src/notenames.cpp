#include "notenames.h"

#include <QHash>
#include <QLocale>
#include <QSet>
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

// "<short weekday> <short month>" as a locale writes it, before the day and year.
QString namePrefix(const QLocale &locale, int weekday, int month)
{
    return locale.dayName(weekday, QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.monthName(month, QLocale::ShortFormat);
}

using PrefixTable = QHash<QString, QVector<WeekdayAndMonth>>;

PrefixTable prefixTable(const QList<QLocale> &locales)
{
    PrefixTable table;
    for (const QLocale &locale : locales) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            for (int month = 1; month <= 12; ++month) {
                QVector<WeekdayAndMonth> &meanings = table[namePrefix(locale, weekday, month)];
                if (!meanings.contains({weekday, month}))
                    meanings.append({weekday, month});
            }
        }
    }
    return table;
}

// Every language Qt knows; built the first time a name may need it, as it takes a
// while. The locales are made anew from their parts: as matchingLocales() gives them,
// they name months in English.
const PrefixTable &anyLanguage()
{
    static const PrefixTable table = [] {
        QList<QLocale> locales;
        for (const QLocale &locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry)) {
            locales << QLocale(locale.language(), locale.script(), locale.country());
        }
        return prefixTable(locales);
    }();
    return table;
}

const PrefixTable &systemLanguage()
{
    static const PrefixTable table = prefixTable({QLocale::system()});
    return table;
}

// Splits "<prefix> <day> <year>.txt" into its parts; false for any other name.
bool splitName(const QString &fileName, QString *prefix, int *day, int *year)
{
    if (!fileName.endsWith(QLatin1String(".txt")))
        return false;
    const int yearStart = fileName.lastIndexOf(QLatin1Char(' ')) + 1;
    const int dayStart = yearStart > 1 ? fileName.lastIndexOf(QLatin1Char(' '), yearStart - 2) + 1 : 0;
    if (dayStart < 2)
        return false;
    bool dayIsNumber = false;
    bool yearIsNumber = false;
    *day = fileName.midRef(dayStart, yearStart - 1 - dayStart).toInt(&dayIsNumber);
    *year = fileName.midRef(yearStart, fileName.size() - 4 - yearStart).toInt(&yearIsNumber);
    *prefix = fileName.left(dayStart - 1);
    return dayIsNumber && yearIsNumber;
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

} // namespace

// The cheap tests come first, so that a folder of notes named in the system's own
// language never builds the table of every language.
QDate foreignNoteDay(const QString &fileName, const QDate &first, const QDate &last)
{
    QString prefix;
    int day = 0;
    int year = 0;
    if (!splitName(fileName, &prefix, &day, &year) || !isDayInRange(day, year, first, last)
            || systemLanguage().contains(prefix)) {
        return QDate();
    }
    QDate meant;
    for (const WeekdayAndMonth &meaning : anyLanguage().value(prefix)) {
        const QDate date(year, meaning.month, day);
        if (!date.isValid() || date.dayOfWeek() != meaning.weekday || date == meant)
            continue;
        if (meant.isValid())
            return QDate();
        meant = date;
    }
    return meant >= first && meant <= last ? meant : QDate();
}

ForeignNoteNames::ForeignNoteNames(const QDate &day)
    : day(day), ending(QStringLiteral(" %1 %2.txt").arg(day.day()).arg(day.year()))
{
}

bool ForeignNoteNames::contains(const QString &fileName) const
{
    return fileName.endsWith(ending) && foreignNoteDay(fileName, day, day).isValid();
}
