// SPDX-License-Identifier: GPL-3.0-or-later
#include "daytooltips.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QHelpEvent>
#include <QToolTip>

DayToolTips::DayToolTips(QCalendarWidget *calendar, const Text &text)
    : QObject(calendar)
    , calendar(calendar)
    , text(text)
{
    if (auto *view = calendar->findChild<QAbstractItemView *>(QStringLiteral("qt_calendar_calendarview")))
        view->viewport()->installEventFilter(this);
}

bool DayToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    auto *viewport = static_cast<QWidget *>(watched);
    auto *view = static_cast<QAbstractItemView *>(viewport->parentWidget());
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex cell = view->indexAt(help->pos());
    const QDate day = cell.isValid() ? calendarCellDate(calendar, cell.row(), cell.column()) : QDate();
    const QString tip = day.isValid() ? text(day) : QString();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport, view->visualRect(cell));
    return true;
}
