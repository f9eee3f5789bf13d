// SPDX-License-Identifier: GPL-3.0-or-later
// What the user is told when a shared file cannot be read or written.
#ifndef FILENOTICES_H
#define FILENOTICES_H

#include <QHash>
#include <QString>

class SyncedFile;

// Tells a file that cannot be read once for each reason, and again only after it was
// readable in between.
class ReadFailureNotices
{
public:
    // The warning to show, or an empty string when there is nothing new to tell.
    QString notice(const QString &path, const QString &reason);

private:
    QHash<QString, QString> told;
};

// failureText holds %1 for the file and %2 for what went wrong.
QString saveFailureNotice(const QString &failureText, const SyncedFile &file);

// A file or folder as a warning names it, short enough to be read out: "list.txt in
// ~/Documents/ladlewise/data".
QString briefFilePath(const QString &path, const QString &home);

#endif // FILENOTICES_H
