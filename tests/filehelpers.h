// SPDX-License-Identifier: GPL-3.0-or-later
// Whole files in bytes, for the tests and the benchmark alike.
#ifndef FILEHELPERS_H
#define FILEHELPERS_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// With the folders it needs.
inline bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A file that cannot be read shows as "<unreadable>", which no comparison mistakes
// for an empty file.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

#endif // FILEHELPERS_H
