// SPDX-License-Identifier: GPL-3.0-or-later
#include "versionupkeep.h"

#include "folderlock.h"
#include "syncedfile.h"
#include "versionrecord.h"

#include <QTimer>

namespace {

const int upkeepDelay = 2000;

} // namespace

VersionUpkeep::VersionUpkeep(VersionRecord *record, QObject *parent)
    : QObject(parent)
    , record(record)
    , pause(new QTimer(this))
{
    pause->setSingleShot(true);
    connect(pause, &QTimer::timeout, this, &VersionUpkeep::maintain);
}

void VersionUpkeep::follow(SyncedFile *file)
{
    file->setRecord(record);
    connect(file, &SyncedFile::written, pause, [this] { pause->start(upkeepDelay); });
}

// Another window may be writing: the upkeep waits for the next pause.
void VersionUpkeep::maintain()
{
    const FolderLock lock(record->dataFolder());
    if (lock.isHeld())
        record->maintain(lock);
    else
        pause->start(upkeepDelay);
}
