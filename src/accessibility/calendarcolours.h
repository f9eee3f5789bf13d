// SPDX-License-Identifier: GPL-3.0-or-later
// Colours of the calendar that every text reaches 4.5:1 against (the days of the
// neighbouring months, the weekends, the selected day and the month header), taken
// from the palette the user chose and changed only as far as needed, so that a dark
// or high-contrast palette stays as it is.
#ifndef CALENDARCOLOURS_H
#define CALENDARCOLOURS_H

#include <QColor>
#include <QObject>

class QCalendarWidget;

qreal contrastRatio(const QColor &first, const QColor &second);

// The colour, made darker or lighter (whichever parts it further from the background)
// until it reaches the ratio against the background.
QColor readableOn(const QColor &colour, const QColor &background, qreal ratio = 4.5);

// Keeps the calendar's colours readable, again whenever the palette or style changes.
class CalendarColours : public QObject
{
    Q_OBJECT

public:
    explicit CalendarColours(QCalendarWidget *calendar);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QCalendarWidget *calendar;
};

#endif // CALENDARCOLOURS_H
