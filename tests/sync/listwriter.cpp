// SPDX-License-Identifier: GPL-3.0-or-later
// A second process writing a list file, as a Ladlewise window does: each item through
// the re-read before writing, as fast as it can (listwriter <path> <prefix> <count>),
// or one item written while it keeps the folder's lock for a while, saying "locked"
// once it has it (listwriter <path> hold <milliseconds>).
#include "folderlock.h"
#include "syncedfile.h"
#include "versionrecord.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

bool add(SyncedFile *list, const QString &item)
{
    SyncedFile::WriteResult result;
    do {
        list->refresh();
        result = list->write(list->text().isEmpty() ? item : list->text() + '\n' + item);
    } while (result == SyncedFile::ChangedOnDisk || result == SyncedFile::Busy);
    return result == SyncedFile::Written;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    VersionRecord record(QFileInfo(path).path(),
                         QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/ladlewise");
    SyncedFile list(nullptr, SyncedFile::NotWatched);
    list.setRecord(&record);
    list.setPath(path);
    if (QByteArray(argv[2]) == "hold") {
        std::unique_ptr<FolderLock> lock;
        do {
            QThread::msleep(1);
            lock.reset(new FolderLock(record.dataFolder()));
        } while (!lock->isHeld());
        list.refresh();
        if (list.write(list.text().isEmpty() ? "held" : list.text() + "\nheld", *lock) != SyncedFile::Written)
            return 1;
        std::puts("locked");
        std::fflush(stdout);
        QThread::msleep(QByteArray(argv[3]).toULong());
        return 0;
    }
    for (int i = 0; i < QByteArray(argv[3]).toInt(); ++i) {
        if (!add(&list, QString::fromLocal8Bit(argv[2]) + QString::number(i)))
            return 1;
    }
    return 0;
}
