// SPDX-License-Identifier: GPL-3.0-or-later
#include "groceryitems.h"

#include <QtTest>

// An item's line in the list's file, ticked or not, as written and as a person or a
// phone's editor may type it.
class tst_GroceryItems : public QObject
{
    Q_OBJECT

private slots:
    void lineRead_data();
    void lineRead();
    void itemRoundTrips_data();
    void itemRoundTrips();
    void itemsReadOutsideTheProgram_data();
    void itemsReadOutsideTheProgram();
    void tickOfADeletedItemIsUndone_data();
    void tickOfADeletedItemIsUndone();
    void sparedItemIsTickedAsAdded_data();
    void sparedItemIsTickedAsAdded();
};

void tst_GroceryItems::lineRead_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ticked");

    QTest::newRow("a line from before ticks") << "milk" << "milk" << false;
    QTest::newRow("ticked") << "x milk" << "milk" << true;
    QTest::newRow("ticked by hand with two spaces") << "x  milk" << " milk" << true;
    QTest::newRow("a capital X is text") << "X milk" << "X milk" << false;
    QTest::newRow("x without a space is text") << "xmilk" << "xmilk" << false;
    QTest::newRow("x alone is text") << "x" << "x" << false;
    QTest::newRow("x and blanks are text") << "x  " << "x  " << false;
    QTest::newRow("an item beginning as ticked ones do") << " x large eggs" << "x large eggs" << false;
    QTest::newRow("spaces before any other item stay") << "  milk" << "  milk" << false;
}

void tst_GroceryItems::lineRead()
{
    QFETCH(QString, line);
    QFETCH(QString, text);
    QFETCH(bool, ticked);

    const GroceryItem item = groceryItemOfLine(line);
    QCOMPARE(item.text, text);
    QCOMPARE(item.ticked, ticked);
}

void tst_GroceryItems::itemRoundTrips_data()
{
    QTest::addColumn<QString>("text");

    for (const char *text : {"milk", "x large eggs", " x large eggs", "x", "x ", "  milk", "xmilk", "x x"})
        QTest::newRow(text) << text;
}

void tst_GroceryItems::itemRoundTrips()
{
    QFETCH(QString, text);

    for (const bool ticked : {false, true}) {
        const QString line = groceryLineOf(text, ticked);
        QCOMPARE(groceryItems(line), QStringList(line));
        const GroceryItem read = groceryItemOfLine(line);
        QCOMPARE(read.text, text);
        QCOMPARE(read.ticked, ticked);
    }
    QCOMPARE(groceryLineOf(text, false) == text, groceryItemOfLine(text).text == text && !groceryItemOfLine(text).ticked);
}

// As Copy List gives them: no file marks, a tick as people write one.
void tst_GroceryItems::itemsReadOutsideTheProgram_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("read");

    QTest::newRow("unticked") << "milk" << "milk";
    QTest::newRow("ticked") << "x milk" << QString::fromUtf8("milk \u2713");
    QTest::newRow("an item beginning as ticked ones do") << " x large eggs" << "x large eggs";
}

void tst_GroceryItems::itemsReadOutsideTheProgram()
{
    QFETCH(QString, line);
    QFETCH(QString, read);

    QCOMPARE(groceryItemForReading(line), read);
}

// A tick the copy made on an item that the text it goes into deleted and holds again
// only as its own addition was made on the deleted one.
void tst_GroceryItems::tickOfADeletedItemIsUndone_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<int>("heldAsBase"); // of eggs
    QTest::addColumn<QString>("undone");

    QTest::newRow("held as the base's: the tick stays") << "eggs,milk" << "x eggs,milk" << 1 << "x eggs,milk";
    QTest::newRow("held only as an addition") << "eggs,milk" << "x eggs,x milk" << 0 << "eggs,x milk";
    QTest::newRow("an untick") << "x eggs" << "eggs" << 0 << "x eggs";
    QTest::newRow("the copy's own repeat keeps its tick") << "eggs" << "x eggs,x eggs" << 0 << "eggs,x eggs";
}

void tst_GroceryItems::tickOfADeletedItemIsUndone()
{
    QFETCH(QString, base);
    QFETCH(QString, copy);
    QFETCH(int, heldAsBase);
    QFETCH(QString, undone);

    const QHash<QString, int> held {{"eggs", heldAsBase}, {"milk", 1}};
    QCOMPARE(ticksOfDeletedUndone(base.split(','), copy.split(','), held).join(','), undone);
}

// A merge made the text's own addition one with the base's item, which took the base's
// tick; once the base's is deleted, what is left is the addition as it was made.
void tst_GroceryItems::sparedItemIsTickedAsAdded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("spared"); // of eggs
    QTest::addColumn<QString>("heldLine");
    QTest::addColumn<QString>("added");

    QTest::newRow("the base's tick") << "x eggs,milk" << 1 << "x eggs" << "eggs,milk";
    QTest::newRow("the base's untick") << "eggs,x milk" << 1 << "eggs" << "x eggs,x milk";
    QTest::newRow("ticked since as its own") << "x eggs,milk" << 1 << "" << "x eggs,milk";
    QTest::newRow("not spared") << "x eggs,milk" << 0 << "x eggs" << "x eggs,milk";
    QTest::newRow("one of two repeats") << "x eggs,x eggs" << 1 << "x eggs" << "eggs,x eggs";
}

void tst_GroceryItems::sparedItemIsTickedAsAdded()
{
    QFETCH(QString, text);
    QFETCH(int, spared);
    QFETCH(QString, heldLine);
    QFETCH(QString, added);

    QCOMPARE(sparedItemsAsAdded(text.split(','), {{"eggs", spared}}, {{heldLine, 1}, {"x milk", 1}}).join(','), added);
}

QTEST_APPLESS_MAIN(tst_GroceryItems)
#include "tst_groceryitems.moc"
