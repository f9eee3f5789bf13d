// SPDX-License-Identifier: GPL-3.0-or-later
#include "calendarcolours.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QTextCharFormat>
#include <QTimer>

#include <cmath>

namespace {

qreal linearPart(qreal part)
{
    return part <= 0.04045 ? part / 12.92 : std::pow((part + 0.055) / 1.055, 2.4);
}

qreal luminance(const QColor &colour)
{
    return 0.2126 * linearPart(colour.redF()) + 0.7152 * linearPart(colour.greenF())
           + 0.0722 * linearPart(colour.blueF());
}

// In the eight bits a channel is painted with, so that the ratio checked is the one seen.
QColor mixed(const QColor &colour, const QColor &toward, qreal share)
{
    const QColor exact = QColor::fromRgbF(colour.redF() + (toward.redF() - colour.redF()) * share,
                                          colour.greenF() + (toward.greenF() - colour.greenF()) * share,
                                          colour.blueF() + (toward.blueF() - colour.blueF()) * share,
                                          colour.alphaF());
    return QColor::fromRgba(exact.rgba());
}

} // namespace

qreal contrastRatio(const QColor &first, const QColor &second)
{
    const qreal lighter = std::max(luminance(first), luminance(second));
    const qreal darker = std::min(luminance(first), luminance(second));
    return (lighter + 0.05) / (darker + 0.05);
}

// In small steps, so that the colour keeps as much of itself as it can.
QColor readableOn(const QColor &colour, const QColor &background, qreal ratio)
{
    const QColor toward = contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background)
                                  ? QColor(Qt::black) : QColor(Qt::white);
    QColor readable = colour;
    for (int step = 1; step <= 20 && contrastRatio(readable, background) < ratio; ++step)
        readable = mixed(colour, toward, step / 20.0);
    return readable;
}

CalendarColours::CalendarColours(QCalendarWidget *calendar)
    : QObject(calendar)
    , calendar(calendar)
{
    // The application tells its windows of a new palette; the style is the calendar's.
    calendar->window()->installEventFilter(this);
    calendar->installEventFilter(this);
    apply();
}

// Once the new palette has reached the calendar's parents, which it inherits from.
bool CalendarColours::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == calendar->window() && event->type() == QEvent::ApplicationPaletteChange)
            || (watched == calendar && event->type() == QEvent::StyleChange)) {
        QTimer::singleShot(0, this, &CalendarColours::apply);
    }
    return QObject::eventFilter(watched, event);
}

// From the palette the calendar would have without these changes. The selected day
// and the month header share the highlight, which is made to suit its text.
void CalendarColours::apply()
{
    QPalette palette = QApplication::palette(calendar);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight,
                         readableOn(palette.color(group, QPalette::Highlight),
                                    palette.color(group, QPalette::HighlightedText)));
    }
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     readableOn(palette.color(QPalette::Disabled, QPalette::Text), palette.color(QPalette::Base)));
    calendar->setPalette(palette);
    for (const Qt::DayOfWeek day : {Qt::Saturday, Qt::Sunday}) {
        QTextCharFormat weekend = calendar->weekdayTextFormat(day);
        // On the days and on the weekday header above them.
        weekend.setForeground(readableOn(readableOn(Qt::red, palette.color(QPalette::Base)),
                                         palette.color(QPalette::AlternateBase)));
        calendar->setWeekdayTextFormat(day, weekend);
    }
}
