// SPDX-License-Identifier: GPL-3.0-or-later
// An advisory lock on a folder, shared by every Ladlewise process, held for as long as
// the object lives: a write takes it from its last re-read to the rename and the
// record of its version, a merge for the whole of its read, write and removal of the
// copies. It is tried once, never waited for: holds are short, and a caller that
// finds it taken tries again a moment later. Whoever holds it passes it on to what
// writes under it, so that nothing takes it twice.
#ifndef FOLDERLOCK_H
#define FOLDERLOCK_H

#include <QString>

class FolderLock
{
public:
    explicit FolderLock(const QString &folder);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    bool isHeld() const { return descriptor >= 0; }
    QString folder() const { return path; }

    // How soon a caller that found it taken tries again.
    static constexpr int retryInterval = 250;

private:
    QString path;
    int descriptor = -1;
};

#endif // FOLDERLOCK_H
