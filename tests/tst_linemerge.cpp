#include "linemerge.h"

#include <QtTest>

// What two machines saved at the same time, merged back line by line.
class tst_LineMerge : public QObject
{
    Q_OBJECT

private slots:
    void bothSidesStay_data();
    void bothSidesStay();
    void withoutBaseTheCopysNewLinesFollow_data();
    void withoutBaseTheCopysNewLinesFollow();
};

static QStringList lines(const char *text)
{
    return QString(text).split(' ', Qt::SkipEmptyParts);
}

void tst_LineMerge::bothSidesStay_data()
{
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<QStringList>("ours");
    QTest::addColumn<QStringList>("theirs");
    QTest::addColumn<QStringList>("merged");

    QTest::newRow("additions on both sides, at the end")
            << lines("eggs milk") << lines("eggs milk bread") << lines("eggs milk rice")
            << lines("eggs milk rice bread");
    QTest::newRow("additions in different places")
            << lines("eggs milk tea") << lines("oats eggs milk tea") << lines("eggs milk tea rice")
            << lines("oats eggs milk tea rice");
    QTest::newRow("deleted on one side, added on the other")
            << lines("eggs milk tea") << lines("eggs tea") << lines("eggs milk tea rice")
            << lines("eggs tea rice");
    QTest::newRow("one line changed on both sides")
            << lines("soup bread") << lines("stew bread") << lines("curry bread")
            << lines("curry stew bread");
    QTest::newRow("deleted on one side, changed on the other")
            << lines("eggs milk") << lines("eggs") << lines("eggs oatmilk") << lines("eggs oatmilk");
    QTest::newRow("repeats count") << lines("eggs") << lines("eggs eggs") << lines("eggs milk")
                                   << lines("eggs milk eggs");
    QTest::newRow("same change on both sides") << lines("a b") << lines("a c") << lines("a c")
                                               << lines("a c");
    QTest::newRow("no base") << QStringList() << lines("eggs milk") << lines("tea")
                             << lines("tea eggs milk");
}

void tst_LineMerge::bothSidesStay()
{
    QFETCH(QStringList, base);
    QFETCH(QStringList, ours);
    QFETCH(QStringList, theirs);
    QFETCH(QStringList, merged);
    QCOMPARE(mergeLines(base, ours, theirs), merged);
}

void tst_LineMerge::withoutBaseTheCopysNewLinesFollow_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("copy");
    QTest::addColumn<QStringList>("merged");

    QTest::newRow("new lines in the copy's order") << lines("eggs milk") << lines("tea milk bread")
                                                   << lines("eggs milk tea bread");
    QTest::newRow("repeats count") << lines("eggs") << lines("eggs eggs") << lines("eggs eggs");
    QTest::newRow("nothing new") << lines("eggs milk") << lines("milk") << lines("eggs milk");
}

void tst_LineMerge::withoutBaseTheCopysNewLinesFollow()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, copy);
    QFETCH(QStringList, merged);
    QCOMPARE(mergeLinesWithoutBase(file, copy), merged);
}

QTEST_APPLESS_MAIN(tst_LineMerge)
#include "tst_linemerge.moc"
