// SPDX-License-Identifier: GPL-3.0-or-later
#include "spokennotice.h"

#include <QAccessibleWidget>

#include <utility>

namespace {

// A command from a dialog ends as the window becomes active again, which a screen
// reader then speaks with its focus; a notice said before would be cut short.
const int afterTheWindowIsSpoken = 300;
// Long enough for a screen reader to finish a day's or an item's name.
const int afterOtherSpeech = 2000;

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
    politeTimer.setSingleShot(true);
    politeTimer.setInterval(afterOtherSpeech);
    connect(&politeTimer, &QTimer::timeout, this, [this] { say(std::exchange(politelyUnsaid, QString())); });
}

// Hidden well before it shows again, as a screen reader takes a quick hide and show
// as one.
void SpokenNotice::say(const QString &notice)
{
    unsaid = notice;
    hide();
    sayTimer.start();
    if (politeTimer.isActive())
        politeTimer.start();
}

// Changes that come while one waits are said together.
void SpokenNotice::sayPolitely(const QString &notice)
{
    politelyUnsaid = politelyUnsaid.isEmpty() ? notice : politelyUnsaid + QStringLiteral("; ") + notice;
    politeTimer.start();
}

void SpokenNotice::sayNow()
{
    setAccessibleName(unsaid);
    show();
}
