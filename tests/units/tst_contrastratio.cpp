// SPDX-License-Identifier: GPL-3.0-or-later
#include "calendarcolours.h"

#include <QColor>
#include <QtTest>

// The contrast formula the calendar's colours are fixed with, against the ratios the
// published WCAG 2 contrast checkers give (rounded to two places there).
class tst_ContrastRatio : public QObject
{
    Q_OBJECT

private slots:
    void ratioIsThePublishedOne_data();
    void ratioIsThePublishedOne();
};

void tst_ContrastRatio::ratioIsThePublishedOne_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<qreal>("ratio");

    QTest::newRow("black on white") << QColor("#000000") << QColor("#ffffff") << 21.0;
    QTest::newRow("white on black") << QColor("#ffffff") << QColor("#000000") << 21.0;
    QTest::newRow("the same colour") << QColor("#3daee9") << QColor("#3daee9") << 1.0;
    QTest::newRow("the lightest grey that passes") << QColor("#767676") << QColor("#ffffff") << 4.54;
    QTest::newRow("one step lighter, which fails") << QColor("#777777") << QColor("#ffffff") << 4.48;
    QTest::newRow("blue on white") << QColor("#0000ff") << QColor("#ffffff") << 8.59;
    QTest::newRow("red on white") << QColor("#ff0000") << QColor("#ffffff") << 4.0;
    QTest::newRow("green on white") << QColor("#008000") << QColor("#ffffff") << 5.14;
}

void tst_ContrastRatio::ratioIsThePublishedOne()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    QFETCH(qreal, ratio);

    const qreal computed = contrastRatio(text, background);
    QVERIFY2(qAbs(computed - ratio) < 0.005, qPrintable(QString::number(computed, 'f', 4)));
}

QTEST_APPLESS_MAIN(tst_ContrastRatio)
#include "tst_contrastratio.moc"
