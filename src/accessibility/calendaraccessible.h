// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears of the calendar's days. Qt's own table for the calendar
// names a cell by its number only ("8."), and the weekday headers "1" to "7"; here a
// day cell is named by its long date, its description says whether it has a meal
// note (shown in bold), is today or belongs to a neighbouring month, and "selected" is
// its state; a header cell is named by its weekday.
#ifndef CALENDARACCESSIBLE_H
#define CALENDARACCESSIBLE_H

#include <QDate>
#include <QString>

class QCalendarWidget;

// Makes every calendar's table reachable this way; once is enough.
void installCalendarAccessibility();

// A screen reader hears the focused day once for every move, and on entering the table.
void announceFocusedDay(QCalendarWidget *calendar);

// The table of days is named by the month it shows ("September 2019"), told anew as
// the page changes.
void nameDaysByMonth(QCalendarWidget *calendar);

// What a day cell says beyond its name: "has a meal note", "today", "other month".
QString calendarDayDescription(const QCalendarWidget *calendar, const QDate &day);

#endif // CALENDARACCESSIBLE_H
