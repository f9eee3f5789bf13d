// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers and the accessibility bus need beyond the form: names that
// follow the shown day, names for the calendar's own controls, and picks made
// through the accessibility interface taken as the user's choice.
#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QDate>
#include <QString>

class QCalendarWidget;
class QListWidget;
class QWidget;

QString mealNoteName(const QDate &day);
QString mealNoteDescription(bool hasNote, bool editing);

// Sets the widget's accessible name and description and announces what changed,
// the read-only state along with the description.
void announceAccessibleText(QWidget *widget, const QString &name, const QString &description);

void nameCalendarControls(QCalendarWidget *calendar);
QDate calendarCellDate(const QCalendarWidget *calendar, int row, int column);

// A cell or an item selected by any means, the accessibility interface included,
// becomes the calendar's selected day or the list's current item.
void followCellSelection(QCalendarWidget *calendar);
void followItemSelection(QListWidget *list);

#endif // ACCESSIBILITY_H
