// A second process writing a list file, as a Ladlewise window does: each item through
// the re-read before writing, as fast as it can (listwriter <path> <prefix> <count>),
// or one item written while it keeps the folder's lock for a while, saying "locked"
// once it has it (listwriter <path> hold <milliseconds>).
#include "folderlock.h"
#include "syncedfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

#include <cstdio>

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
    SyncedFile list(nullptr, SyncedFile::NotWatched);
    list.setPath(QString::fromLocal8Bit(argv[1]));
    if (QByteArray(argv[2]) == "hold") {
        const FolderLock lock(QFileInfo(list.path()).path(), 10000);
        if (!lock.isHeld() || !add(&list, QStringLiteral("held")))
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
