// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader says of a command done, where nothing on screen changes the
// focus: "bread added, 3 items". The widget takes no room and shows nothing; each
// notice shows it anew as a notification, which a screen reader speaks at once.
#ifndef SPOKENNOTICE_H
#define SPOKENNOTICE_H

#include <QTimer>
#include <QWidget>

class SpokenNotice : public QWidget
{
    Q_OBJECT

public:
    explicit SpokenNotice(QWidget *parent);

    void say(const QString &notice);
    // Of what happened elsewhere: said once nothing else has been said for a while, so
    // that it does not cut short what the user's own keys made the screen reader say.
    void sayPolitely(const QString &notice);

private:
    void sayNow();

    QString unsaid;
    QTimer sayTimer;
    QString politelyUnsaid;
    QTimer politeTimer;
};

#endif // SPOKENNOTICE_H
