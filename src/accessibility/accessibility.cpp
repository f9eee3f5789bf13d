// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCalendarWidget>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QLocale>

QString mealNoteName(const QDate &day)
{
    return QStringLiteral("Meal note for %1").arg(QLocale().toString(day, QLocale::LongFormat));
}

QString mealNoteDescription(bool hasNote, bool editing)
{
    if (editing)
        return QStringLiteral("Editing");
    return hasNote ? QStringLiteral("Read-only, press Edit to change it") : QStringLiteral("No note");
}

void announceAccessibleText(QWidget *widget, const QString &name, const QString &description)
{
    if (widget->accessibleName() != name) {
        widget->setAccessibleName(name);
        QAccessibleEvent event(widget, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (widget->accessibleDescription() != description) {
        widget->setAccessibleDescription(description);
        QAccessibleEvent event(widget, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
        // The description tells the mode, so the read-only state is read anew with it.
        QAccessible::State readOnly;
        readOnly.readOnly = true;
        QAccessibleStateChangeEvent stateEvent(widget, readOnly);
        QAccessible::updateAccessibility(&stateEvent);
    }
}

// The calendar builds these itself and names them for its own use only. The month
// and year buttons are named by what they show ("December", "2026"), as a button is.
void nameCalendarControls(QCalendarWidget *calendar)
{
    const struct {
        const char *objectName;
        const char *accessibleName;
        const char *description;
        const char *toolTip;
    } controls[] = {
        {"qt_calendar_prevmonth", "Previous month", "Page Up", "Previous month (Page Up)"},
        {"qt_calendar_nextmonth", "Next month", "Page Down", "Next month (Page Down)"},
        {"qt_calendar_monthbutton", "", "Choose the month", "Choose the month (Page Up, Page Down)"},
        {"qt_calendar_yearbutton", "", "Choose the year; Shift+Page Up and Shift+Page Down move a year",
         "Choose the year (Shift+Page Up, Shift+Page Down)"},
        {"qt_calendar_yearedit", "Year", "", ""},
    };
    for (const auto &control : controls) {
        if (auto *widget = calendar->findChild<QWidget *>(QLatin1String(control.objectName))) {
            widget->setAccessibleName(QLatin1String(control.accessibleName));
            widget->setAccessibleDescription(QLatin1String(control.description));
            widget->setToolTip(QLatin1String(control.toolTip));
        }
    }
}

// The day a cell of the calendar's table stands for. The table has a header row of
// day names and then the weeks, the first of which holds the 1st of the shown month
// or, when that falls on the week's first day, the week before.
QDate calendarCellDate(const QCalendarWidget *calendar, int row, int column)
{
    const QDate first(calendar->yearShown(), calendar->monthShown(), 1);
    const int headerRows = calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
    const int headerColumns = calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
    if (row < headerRows || column < headerColumns)
        return QDate();
    int firstColumn = (first.dayOfWeek() - calendar->firstDayOfWeek() + 7) % 7;
    if (firstColumn == 0)
        firstColumn = 7;
    return first.addDays(7 * (row - headerRows) + (column - headerColumns) - firstColumn);
}

void followCellSelection(QCalendarWidget *calendar)
{
    auto *view = calendar->findChild<QAbstractItemView *>(QStringLiteral("qt_calendar_calendarview"));
    if (!view)
        return;
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, calendar,
                     [calendar, view] {
        const QModelIndexList selected = view->selectionModel()->selectedIndexes();
        if (selected.size() != 1)
            return;
        const QDate day = calendarCellDate(calendar, selected.first().row(), selected.first().column());
        if (day.isValid() && day != calendar->selectedDate())
            calendar->setSelectedDate(day);
    });
}

void followItemSelection(QListWidget *list)
{
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] {
        const QList<QListWidgetItem *> selected = list->selectedItems();
        if (selected.size() == 1 && list->currentItem() != selected.first())
            list->setCurrentItem(selected.first(), QItemSelectionModel::NoUpdate);
    });
}
