// SPDX-License-Identifier: GPL-3.0-or-later
// Turning the bytes of a file into text and back. Files come from editors, sync tools
// and older Windows programs: a byte-order mark says how to read them; otherwise the
// locale's encoding applies, with stray legacy bytes among the UTF-8 read as the
// characters their program meant, so that none is lost at the next save.
#ifndef TEXTDECODING_H
#define TEXTDECODING_H

#include <QByteArray>
#include <QString>

QString decodeText(const QByteArray &bytes);
QByteArray encodeText(const QString &text);

#endif // TEXTDECODING_H
