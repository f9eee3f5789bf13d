#include "folderlock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The folders this process holds, with how many locks hold each. The window runs on
// one thread, so no more is needed.
QHash<QString, int> &heldFolders()
{
    static QHash<QString, int> held;
    return held;
}

} // namespace

FolderLock::FolderLock(const QString &folder, int wait)
    : key(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
{
    if (heldFolders().value(key) > 0) {
        ++heldFolders()[key];
        held = true;
        return;
    }
    descriptor = ::open(QFile::encodeName(key).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QElapsedTimer waited;
    waited.start();
    while (descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() > wait) {
            ::close(descriptor);
            descriptor = -1;
            break;
        }
        ::usleep(1000);
    }
    held = descriptor >= 0;
    if (held)
        ++heldFolders()[key];
}

FolderLock::~FolderLock()
{
    if (!held)
        return;
    if (--heldFolders()[key] == 0)
        heldFolders().remove(key);
    if (descriptor >= 0)
        ::close(descriptor);
}
