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

    QTest::newRow("latin-1 byte before a utf-8 sequence")
            << QByteArray("cr\xE8me caf\xC3\xA9") << QString::fromUtf8("crème café");
    QTest::newRow("stray no-break space") << QByteArray("5\xA0g") << QString::fromUtf8("5\u00A0g");
    QTest::newRow("overlong slash") << QByteArray("\xE0\x80\xAF") << QString::fromUtf8("à€¯");
    QTest::newRow("sequence cut off at the end") << QByteArray("caf\xC3") << QString::fromUtf8("cafÃ");
    QTest::newRow("utf-32 le with a mark") << QByteArray("\xFF\xFE\0\0t\0\0\0\xAC\x20\0\0", 12)
                                           << QString::fromUtf8("t€");
    QTest::newRow("utf-8 with a mark and a stray byte") << QByteArray("\xEF\xBB\xBF\xE9t\xC3\xA9")
                                                        << QString::fromUtf8("été");
}

void tst_TextDecoding::everyByteIsReadAsACharacter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeText(bytes), text);
}

QTEST_APPLESS_MAIN(tst_TextDecoding)
#include "tst_textdecoding.moc"
