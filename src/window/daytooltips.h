// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a tooltip for each day of a calendar, with the text a function gives for it.
#ifndef DAYTOOLTIPS_H
#define DAYTOOLTIPS_H

#include <QDate>
#include <QObject>

#include <functional>

class QCalendarWidget;

class DayToolTips : public QObject
{
    Q_OBJECT

public:
    using Text = std::function<QString(const QDate &day)>;
    DayToolTips(QCalendarWidget *calendar, const Text &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QCalendarWidget *calendar;
    Text text;
};

#endif // DAYTOOLTIPS_H
