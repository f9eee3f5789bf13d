// SPDX-License-Identifier: GPL-3.0-or-later
#include "spokennotice.h"

#include <QAccessibleWidget>

namespace {

// A command from a dialog ends as the window becomes active again, which a screen
// reader then speaks with its focus; a notice said before would be cut short.
const int afterTheWindowIsSpoken = 300;

QAccessibleInterface *noticeFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("SpokenNotice") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    return nullptr;
}

} // namespace

SpokenNotice::SpokenNotice(QWidget *parent)
    : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(noticeFactory);
        return true;
    }();
    Q_UNUSED(installed)
    setGeometry(0, 0, 0, 0);
    hide();
    sayTimer.setSingleShot(true);
    sayTimer.setInterval(afterTheWindowIsSpoken);
    connect(&sayTimer, &QTimer::timeout, this, &SpokenNotice::sayNow);
}

// Hidden well before it shows again, as a screen reader takes a quick hide and show
// as one.
void SpokenNotice::say(const QString &notice)
{
    unsaid = notice;
    hide();
    sayTimer.start();
}

void SpokenNotice::sayNow()
{
    setAccessibleName(unsaid);
    show();
}
