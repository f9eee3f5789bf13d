// SPDX-License-Identifier: GPL-3.0-or-later
#include "mealsearch.h"

#include <QtTest>

// Which notes a query finds, and the line shown for each.
class tst_MealSearch : public QObject
{
    Q_OBJECT

private slots:
    void noteFound_data();
    void noteFound();
};

void tst_MealSearch::noteFound_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("line"); // "-" where the note is not found

    const QString note = "Monday\n  Lasagne with salad\nCrème brûlée";
    QTest::newRow("a word") << note << "lasagne" << "Lasagne with salad";
    QTest::newRow("case ignored") << note << "LASAGNE" << "Lasagne with salad";
    QTest::newRow("accents ignored in the query") << note << "créme" << "Crème brûlée";
    QTest::newRow("accents ignored in the note") << note << "creme brulee" << "Crème brûlée";
    QTest::newRow("a part of a word") << note << "lasag" << "Lasagne with salad";
    QTest::newRow("words on different lines") << note << "brulee salad" << "Lasagne with salad";
    QTest::newRow("one word missing") << note << "lasagne soup" << "-";
    QTest::newRow("no match") << note << "curry" << "-";
    QTest::newRow("a blank query finds nothing") << note << "   " << "-";
    QTest::newRow("an empty note") << "" << "soup" << "-";
    QTest::newRow("German sharp s") << "Weißwurst" << "WEISSWURST" << "Weißwurst";
}

void tst_MealSearch::noteFound()
{
    QFETCH(QString, note);
    QFETCH(QString, query);
    QFETCH(QString, line);

    QString shown = "-";
    const bool found = noteMatches(searchableNote(QDate(2019, 9, 19), note), searchWords(query), &shown);
    QCOMPARE(found ? shown : QString("-"), line);
}

QTEST_APPLESS_MAIN(tst_MealSearch)
#include "tst_mealsearch.moc"
