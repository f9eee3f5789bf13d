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
};

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

    auto lines = [](const QString &words) { return words.split(' ', Qt::SkipEmptyParts); };
    const QStringList result = base == "?" ? mergeLinesWithoutBase(lines(theirs), lines(ours))
                                           : mergeLines(lines(base), lines(ours), lines(theirs));
    QCOMPARE(result.join(' '), merged);
}

QTEST_APPLESS_MAIN(tst_LineMerge)
#include "tst_linemerge.moc"
