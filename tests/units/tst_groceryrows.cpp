// SPDX-License-Identifier: GPL-3.0-or-later
#include "grocerycommands.h"
#include "groceryrows.h"

#include <QRandomGenerator>
#include <QtTest>

// Where the list view's current entry goes when the list changes under it, whether by
// a command of this window or by another program. Lists are written as words.
class tst_GroceryRows : public QObject
{
    Q_OBJECT

private slots:
    void currentEntryFollowed_data();
    void currentEntryFollowed();
    void editTurnsOneListIntoTheOther();
    void changesFromElsewhereAreTold_data();
    void changesFromElsewhereAreTold();
};

namespace {

QStringList words(const QString &text)
{
    return text.split(' ', Qt::SkipEmptyParts);
}

} // namespace

void tst_GroceryRows::currentEntryFollowed_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("followed");

    QTest::newRow("none current") << "eggs milk" << -1 << "eggs milk tea" << -1;
    QTest::newRow("added below") << "eggs milk" << 1 << "eggs milk tea" << 1;
    QTest::newRow("added above") << "eggs milk" << 1 << "tea eggs milk" << 2;
    QTest::newRow("deleted, the next takes its place") << "eggs milk tea" << 1 << "eggs tea" << 1;
    QTest::newRow("the last deleted, the one above") << "eggs milk tea" << 2 << "eggs milk" << 1;
    QTest::newRow("deleted, its like further down not taken") << "milk tea milk" << 0 << "tea milk" << 0;
    QTest::newRow("moved within what changed") << "tea eggs milk" << 2 << "tea milk rice" << 1;
    QTest::newRow("nearest of two alike") << "eggs milk" << 1 << "milk eggs rice milk" << 3;
    QTest::newRow("all replaced") << "eggs milk" << 1 << "tea rice" << 0;
    QTest::newRow("emptied") << "eggs" << 0 << "" << -1;
    QTest::newRow("unchanged") << "eggs milk" << 0 << "eggs milk" << 0;
}

void tst_GroceryRows::currentEntryFollowed()
{
    QFETCH(QString, before);
    QFETCH(int, row);
    QFETCH(QString, after);
    QFETCH(int, followed);

    QCOMPARE(followedGroceryRow(words(before), row, words(after), groceryListEdit(words(before), words(after))),
             followed);
}

// Seeded lists of few words, so that entries recur: the edit applied to the first
// gives the second, it keeps every entry both share at either end, and an entry
// outside it stays current.
void tst_GroceryRows::editTurnsOneListIntoTheOther()
{
    const QStringList vocabulary = words("eggs milk tea rice");
    QRandomGenerator random(20261208);
    const auto randomList = [&] {
        QStringList list;
        for (int length = random.bounded(6); length > 0; --length)
            list << vocabulary.at(random.bounded(vocabulary.size()));
        return list;
    };
    for (int round = 0; round < 2000; ++round) {
        const QStringList before = randomList();
        const QStringList after = randomList();
        const GroceryListEdit edit = groceryListEdit(before, after);
        QStringList edited = before;
        edited.erase(edited.begin() + edit.first, edited.begin() + edit.first + edit.removed);
        for (int i = 0; i < edit.inserted.size(); ++i)
            edited.insert(edit.first + i, edit.inserted.at(i));
        QCOMPARE(edited, after);
        QVERIFY(edit.first == before.size() || edit.first == after.size()
                || before.at(edit.first) != after.at(edit.first));
        for (int row = 0; row < before.size(); ++row) {
            const bool untouched = row < edit.first || row >= edit.first + edit.removed;
            const int followed = followedGroceryRow(before, row, after, edit);
            if (untouched)
                QCOMPARE(after.value(followed), before.at(row));
            QVERIFY(followed < after.size());
            QCOMPARE(followed < 0, after.isEmpty());
        }
    }
}

void tst_GroceryRows::changesFromElsewhereAreTold_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("notice");

    QTest::newRow("nothing changed") << "eggs milk" << "eggs milk" << "";
    QTest::newRow("one added") << "eggs" << "eggs tea" << "list changed: tea added, 2 items";
    QTest::newRow("two added, one deleted") << "eggs milk" << "milk tea jam"
                                            << "list changed: tea, jam added, eggs deleted, 3 items";
    QTest::newRow("ticked and unticked") << "eggs x|milk" << "x|eggs milk"
                                         << "list changed: eggs ticked, milk unticked, 2 items";
    QTest::newRow("only the order") << "eggs milk" << "milk eggs" << "list changed: items moved, 2 items";
    QTest::newRow("emptied") << "eggs" << "" << "list changed: eggs deleted, no items";
    QTest::newRow("many at once, by their number") << "eggs milk tea jam" << "rice"
                                                   << "list changed: rice added, 4 items deleted, 1 item";
    QTest::newRow("an item that begins like a tick") << "" << "|x|ray" << "list changed: x ray added, 1 item";
}

// Lines as words, "x|" for a tick's "x " and "|" for a space.
void tst_GroceryRows::changesFromElsewhereAreTold()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, notice);

    auto lines = [](const QString &text) { return words(text).replaceInStrings("|", " "); };
    QCOMPARE(groceryOutsideChangeNotice(lines(before), lines(after)), notice);
}

QTEST_APPLESS_MAIN(tst_GroceryRows)
#include "tst_groceryrows.moc"
