// SPDX-License-Identifier: GPL-3.0-or-later
#include "filenotices.h"

#include "syncedfile.h"

#include <QDir>

QString ReadFailureNotices::notice(const QString &path, const QString &reason)
{
    if (reason.isEmpty()) {
        told.remove(path);
        return QString();
    }
    if (told.value(path) == reason)
        return QString();
    told.insert(path, reason);
    return QStringLiteral("%1 could not be read: %2. Ladlewise will not write to it until it can be read.")
            .arg(QDir::toNativeSeparators(QDir::cleanPath(path)), reason);
}

QString saveFailureNotice(const QString &failureText, const SyncedFile &file)
{
    return failureText.arg(QDir::toNativeSeparators(file.path()), file.errorString());
}
