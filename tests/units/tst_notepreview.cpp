// SPDX-License-Identifier: GPL-3.0-or-later
#include "notepreview.h"

#include <QtTest>

// What a day's tooltip shows of its note.
class tst_NotePreview : public QObject
{
    Q_OBJECT

private slots:
    void firstLinesShown_data();
    void firstLinesShown();
};

void tst_NotePreview::firstLinesShown_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("preview");

    const QString ellipsis(QChar(0x2026));
    QTest::newRow("a short note") << "Soup\nBread" << "Soup\nBread";
    QTest::newRow("blank lines and spaces left out") << "\n  Soup  \n\n\t\nBread\n" << "Soup\nBread";
    QTest::newRow("five lines whole") << "a\nb\nc\nd\ne" << "a\nb\nc\nd\ne";
    QTest::newRow("six lines: five, and an ellipsis") << "a\nb\nc\nd\ne\nf" << "a\nb\nc\nd\ne" + ellipsis;
    QTest::newRow("a long line cut") << QString(70, 'x') << QString(59, 'x') + ellipsis;
    QTest::newRow("a line as long as fits") << QString(60, 'x') << QString(60, 'x');
    QTest::newRow("Windows and old Mac line ends") << "Soup\r\nBread\rJam" << "Soup\nBread\nJam";
    QTest::newRow("an empty note") << "" << "";
}

void tst_NotePreview::firstLinesShown()
{
    QFETCH(QString, note);
    QFETCH(QString, preview);

    QCOMPARE(notePreview(note), preview);
}

QTEST_APPLESS_MAIN(tst_NotePreview)
#include "tst_notepreview.moc"
