// SPDX-License-Identifier: GPL-3.0-or-later
#include "heldasbase.h"
#include "linemerge.h"

#include <QtTest>

// What two machines saved at the same time, merged back line by line. Lines are
// written here as words: "eggs milk" is the two lines eggs and milk.
class tst_LineMerge : public QObject
{
    Q_OBJECT

private slots:
    void bothSidesStay_data();
    void bothSidesStay();
    void groceryItemsMerge_data();
    void groceryItemsMerge();
    void othersAdditionsSpared_data();
    void othersAdditionsSpared();
    void laterDeletionsApplied_data();
    void laterDeletionsApplied();
};

namespace {

// "_" is a blank line.
QStringList words(const QString &text)
{
    return text.split(' ', Qt::SkipEmptyParts).replaceInStrings(QRegularExpression("^_$"), QString());
}

} // namespace

void tst_LineMerge::bothSidesStay_data()
{
    QTest::addColumn<QString>("base"); // "?" where the common version is not known
    QTest::addColumn<QString>("ours");
    QTest::addColumn<QString>("theirs");
    QTest::addColumn<QString>("merged");

    QTest::newRow("additions on both sides") << "eggs milk" << "eggs milk bread" << "eggs milk rice"
                                             << "eggs milk rice bread";
    QTest::newRow("additions in different places") << "eggs milk tea" << "oats eggs milk tea"
                                                   << "eggs milk tea rice" << "oats eggs milk tea rice";
    QTest::newRow("deleted on one side, added on the other") << "eggs milk tea" << "eggs tea"
                                                             << "eggs milk tea rice" << "eggs tea rice";
    QTest::newRow("one line changed on both sides") << "soup bread" << "stew bread" << "curry bread"
                                                    << "curry stew bread";
    QTest::newRow("deleted on one side, changed on the other") << "eggs milk" << "eggs" << "eggs oatmilk"
                                                               << "eggs oatmilk";
    QTest::newRow("repeats count") << "eggs" << "eggs eggs" << "eggs milk" << "eggs milk eggs";
    QTest::newRow("same change on both sides") << "a b" << "a c" << "a c" << "a c";
    QTest::newRow("deleted on one side, a line added after it on the other")
            << "soup bread" << "soup" << "soup bread salad" << "soup salad";
    QTest::newRow("a line both sides changed to is there once") << "soup" << "stew" << "stew rice"
                                                                 << "stew rice";
    QTest::newRow("a repeated line keeps its count") << "x x" << "x" << "x x y" << "x y";
    QTest::newRow("a line both sides added in different places is there once")
            << "soup bread" << "rice soup bread" << "soup bread rice" << "rice soup bread";
    QTest::newRow("a line both sides added once and one side twice is there twice")
            << "soup" << "rice soup rice" << "soup rice" << "rice soup rice";
    QTest::newRow("blank lines both sides added stay") << "soup" << "soup _ stew" << "_ rice soup"
                                                       << "_ rice soup _ stew";
    QTest::newRow("empty base") << "" << "eggs milk" << "tea" << "tea eggs milk";
    QTest::newRow("no base: the copy's new lines follow") << "?" << "tea milk bread" << "eggs milk"
                                                          << "eggs milk tea bread";
    QTest::newRow("no base: repeats count") << "?" << "eggs eggs" << "eggs" << "eggs eggs";
}

void tst_LineMerge::bothSidesStay()
{
    QFETCH(QString, base);
    QFETCH(QString, ours);
    QFETCH(QString, theirs);
    QFETCH(QString, merged);

    const QStringList result = base == "?" ? mergeLinesWithoutBase(words(theirs), words(ours))
                                           : mergeLines(words(base), words(ours), words(theirs));
    QCOMPARE(result.join(' '), words(merged).join(' '));
}

void tst_LineMerge::groceryItemsMerge_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("merged");

    QTest::newRow("an addition and a deletion beside the other's addition")
            << "eggs milk" << "eggs milk bread" << "milk apple" << "milk apple bread";
    QTest::newRow("deleted on one side stays deleted") << "eggs milk" << "eggs milk bread" << "eggs"
                                                       << "eggs bread";
    QTest::newRow("the last item deleted") << "eggs milk" << "eggs" << "eggs milk rice" << "eggs rice";
    QTest::newRow("clear on one side leaves the other's additions") << "eggs milk oil" << ""
                                                                    << "eggs milk oil bread" << "bread";
    QTest::newRow("both sides deleted the same item") << "eggs milk oil" << "eggs milk" << "milk oil"
                                                      << "milk";
    QTest::newRow("both sides added the same item") << "eggs" << "eggs milk" << "milk eggs"
                                                    << "eggs milk";
    QTest::newRow("two repeats added are two") << "eggs" << "eggs rice" << "eggs eggs eggs"
                                               << "eggs eggs eggs rice";
    QTest::newRow("additions follow the item before them in the copy")
            << "a b c" << "a b c d" << "a x y b c" << "a x y b c d";
    QTest::newRow("an addition first in the copy goes to the end") << "a b" << "a b c" << "x a b"
                                                                   << "a b c x";
    QTest::newRow("the copy's order of the file's items does not matter") << "a b c" << "c b a"
                                                                          << "a b c" << "c b a";
    QTest::newRow("ticked on one side, untouched on the other") << "eggs milk" << "eggs x_milk"
                                                                << "eggs milk bread" << "eggs x_milk bread";
    QTest::newRow("ticked in the file, deleted in the copy") << "eggs milk" << "eggs x_milk" << "eggs"
                                                            << "eggs";
    QTest::newRow("deleted in the file, ticked in the copy") << "eggs milk" << "eggs" << "eggs x_milk"
                                                            << "eggs";
    QTest::newRow("ticked on both sides") << "eggs milk" << "x_milk eggs" << "eggs x_milk" << "x_milk eggs";
    QTest::newRow("unticked on one side, deleted on the other") << "x_milk eggs" << "milk eggs" << "eggs"
                                                                << "eggs";
    QTest::newRow("ticked on one side, added again on the other") << "milk" << "x_milk" << "milk milk"
                                                                  << "x_milk milk";
    QTest::newRow("added on both sides, ticked on one") << "" << "milk" << "x_milk" << "x_milk";
    QTest::newRow("ticked on both, one added again") << "milk" << "x_milk milk" << "x_milk" << "x_milk milk";
    QTest::newRow("both ticked, one of two") << "milk milk" << "x_milk milk" << "milk x_milk"
                                             << "x_milk milk";
}

void tst_LineMerge::groceryItemsMerge()
{
    QFETCH(QString, base);
    QFETCH(QString, file);
    QFETCH(QString, copy);
    QFETCH(QString, merged);

    // "x_milk" is the line of milk ticked.
    const auto lines = [](const QString &items) { return words(items).replaceInStrings("_", " "); };
    QCOMPARE(mergeItems(lines(base), lines(file), lines(copy)).join(' '), QString(merged).replace('_', ' '));
}

// A copy merged into a text made of several sides: each side is "its base with the
// copy > its lines". A line the copy deleted stays in the base only where the merge of
// the sides holds it as the base's; a tick reaches it where some side holds it so.
void tst_LineMerge::othersAdditionsSpared_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("sides");
    QTest::addColumn<QString>("spared");
    QTest::addColumn<QString>("ticked"); // what the copy's ticks reach

    QTest::newRow("deleted, held as the base's by the file")
            << "tea rice" << "tea" << "tea rice > tea rice milk; tea > tea jam" << "tea rice" << "tea rice";
    QTest::newRow("deleted, held only as another copy's own addition")
            << "tea rice" << "tea" << "tea rice > tea milk; tea > tea rice" << "tea" << "tea";
    QTest::newRow("held as the base's by one side, made one with another's own addition")
            << "tea rice" << "tea" << "tea rice > tea rice; tea > tea rice" << "tea" << "tea rice";
    QTest::newRow("a side the copy saw whole holds all as the base's")
            << "eggs milk" << "eggs" << "eggs milk > eggs milk; > bread" << "eggs milk" << "eggs milk";
    QTest::newRow("a side the copy saw whole, made one with another's own addition")
            << "eggs milk" << "eggs" << "eggs milk > eggs milk; > milk" << "eggs" << "eggs milk";
    QTest::newRow("repeats: one of two eggs the base's")
            << "eggs eggs" << "" << "eggs eggs > eggs; > tea" << "eggs" << "eggs";
    QTest::newRow("repeats: one of two eggs the base's, and one added again")
            << "eggs eggs" << "" << "eggs eggs > eggs eggs; eggs > eggs eggs" << "eggs" << "eggs eggs";
    QTest::newRow("a line the copy keeps stays in the base")
            << "tea rice" << "tea rice" << "> tea rice; > tea rice" << "tea rice" << "tea rice";
    QTest::newRow("an unproven side holds nothing as the base's")
            << "tea rice" << "tea" << "> tea rice" << "tea" << "tea";
}

void tst_LineMerge::othersAdditionsSpared()
{
    QFETCH(QString, base);
    QFETCH(QString, copy);
    QFETCH(QString, sides);
    QFETCH(QString, spared);
    QFETCH(QString, ticked);

    SidesHeldAsBase held;
    for (const QString &side : sides.split(';')) {
        const QStringList parts = side.split('>');
        held.add(words(parts.at(0)), words(parts.at(1)));
    }
    QCOMPARE(sparingAdditions(words(base), words(copy), held.held().byEvery).join(' '), spared);
    QCOMPARE(sparingAdditions(words(base), words(copy), held.held().byAny).join(' '), ticked);
}

void tst_LineMerge::laterDeletionsApplied_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("merged");
    QTest::addColumn<QString>("edits"); // each edit: its parent's lines > its own
    QTest::addColumn<QString>("remaining");

    QTest::newRow("deleted later, missing from the merge") << "rice tea" << "bread" << "bread rice > bread" << "tea";
    QTest::newRow("deleted later, in the merge all the same")
            << "rice tea" << "bread rice" << "bread rice > bread" << "rice tea";
    QTest::newRow("a later edit that kept it") << "rice" << "" << "rice > rice milk" << "rice";
    QTest::newRow("deleted in one edit of several") << "rice tea" << "" << "tea > tea jam; rice jam > jam" << "tea";
    QTest::newRow("every repeat goes") << "eggs eggs milk" << "" << "eggs > " << "milk";
    QTest::newRow("blank lines stay where they fall") << "soup _ stew" << "soup" << "soup _ > soup" << "soup _ stew";
}

void tst_LineMerge::laterDeletionsApplied()
{
    QFETCH(QString, lines);
    QFETCH(QString, merged);
    QFETCH(QString, edits);
    QFETCH(QString, remaining);

    QVector<QPair<QStringList, QStringList>> parsed;
    for (const QString &edit : edits.split(';')) {
        const QStringList parts = edit.split('>');
        parsed.append({words(parts.at(0)), words(parts.at(1))});
    }
    QCOMPARE(withoutLaterDeletions(words(lines), words(lines), words(merged), parsed), words(remaining));
}

QTEST_APPLESS_MAIN(tst_LineMerge)
#include "tst_linemerge.moc"
