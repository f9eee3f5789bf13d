// Adds items to a list file as fast as it can, each one through the re-read before
// writing, as a Ladlewise window does: listwriter <path> <prefix> <count>.
#include "syncedfile.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    SyncedFile list(nullptr, SyncedFile::NotWatched);
    list.setPath(QString::fromLocal8Bit(argv[1]));
    for (int i = 0; i < QByteArray(argv[3]).toInt(); ++i) {
        const QString item = QString::fromLocal8Bit(argv[2]) + QString::number(i);
        SyncedFile::WriteResult result;
        do {
            list.refresh();
            result = list.write(list.text().isEmpty() ? item : list.text() + '\n' + item);
        } while (result == SyncedFile::ChangedOnDisk);
        if (result == SyncedFile::Failed)
            return 1;
    }
    return 0;
}
