// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdecoding.h"

#include <QtTest>

// Bytes as editors and older tools leave them, and the text a user expects to see.
class tst_TextDecoding : public QObject
{
    Q_OBJECT

private slots:
    void everyByteIsReadAsACharacter_data();
    void everyByteIsReadAsACharacter();
};

void tst_TextDecoding::everyByteIsReadAsACharacter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("latin-1 before utf-8") << QByteArray("cr\xE8me caf\xC3\xA9") << QString("crème café");
    QTest::newRow("stray no-break space") << QByteArray("5\xA0g") << QString("5\u00A0g");
    QTest::newRow("overlong slash") << QByteArray("\xE0\x80\xAF") << QString("à€¯");
    QTest::newRow("utf-32 le with a mark") << QByteArray("\xFF\xFE\0\0t\0\0\0\xAC\x20\0\0", 12) << QString("t€");
}

void tst_TextDecoding::everyByteIsReadAsACharacter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeText(bytes), text);
}

QTEST_APPLESS_MAIN(tst_TextDecoding)
#include "tst_textdecoding.moc"
