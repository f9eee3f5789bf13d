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
            .arg(briefFilePath(path, QDir::homePath()), reason);
}

QString saveFailureNotice(const QString &failureText, const SyncedFile &file)
{
    return failureText.arg(briefFilePath(file.path(), QDir::homePath()), file.errorString());
}

QString briefFilePath(const QString &path, const QString &home)
{
    const QString clean = QDir::cleanPath(path);
    const QString cleanHome = QDir::cleanPath(home);
    const int slash = clean.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0)
        return QDir::toNativeSeparators(clean);
    QString folder = clean.left(slash);
    if (folder == cleanHome)
        folder = QStringLiteral("~");
    else if (folder.startsWith(cleanHome + QLatin1Char('/')) && cleanHome != QLatin1String("/"))
        folder = QLatin1Char('~') + folder.mid(cleanHome.size());
    return clean.mid(slash + 1) + QStringLiteral(" in ") + QDir::toNativeSeparators(folder);
}
