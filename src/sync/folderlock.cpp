// SPDX-License-Identifier: GPL-3.0-or-later
#include "folderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderLock::FolderLock(const QString &folder)
    : path(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
{
    descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int locked;
    do
        locked = descriptor >= 0 ? ::flock(descriptor, LOCK_EX | LOCK_NB) : 0;
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

FolderLock::~FolderLock()
{
    if (descriptor >= 0)
        ::close(descriptor);
}
