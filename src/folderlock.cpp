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

// A lock that cannot be had within a second (a stuck process) is gone without: the
// write then goes on unlocked rather than freezing the window.
FolderLock::FolderLock(const QString &folder)
    : key(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
{
    if (heldFolders().value(key) > 0) {
        ++heldFolders()[key];
        return;
    }
    descriptor = ::open(QFile::encodeName(key).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QElapsedTimer waited;
    waited.start();
    while (descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || waited.elapsed() > 1000) {
            ::close(descriptor);
            descriptor = -1;
            break;
        }
        ::usleep(1000);
    }
    ++heldFolders()[key];
}

FolderLock::~FolderLock()
{
    if (--heldFolders()[key] == 0)
        heldFolders().remove(key);
    if (descriptor >= 0)
        ::close(descriptor);
}
