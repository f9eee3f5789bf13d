// SPDX-License-Identifier: GPL-3.0-or-later
// Tidies the record of versions a while after the last save, out of its way.
#ifndef VERSIONUPKEEP_H
#define VERSIONUPKEEP_H

#include <QObject>

class QTimer;
class SyncedFile;
class VersionRecord;

class VersionUpkeep : public QObject
{
    Q_OBJECT

public:
    VersionUpkeep(VersionRecord *record, QObject *parent = nullptr);
    // Files written through record, whose writes start the wait again.
    void follow(SyncedFile *file);

private:
    void maintain();

    VersionRecord *record;
    QTimer *pause;
};

#endif // VERSIONUPKEEP_H
