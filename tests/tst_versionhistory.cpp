#include "testsupport.h"

#include "versionhistory.h"

// The version a conflict copy is merged against: what both sides last had in common,
// chosen from the versions this machine saw. Versions are written as words, one line
// each, and their times in seconds.
class tst_VersionHistory : public QObject
{
    Q_OBJECT

private slots:
    void baseIsWhatBothSidesLastHad_data();
    void baseIsWhatBothSidesLastHad();
    void versionsAreKeptAcrossRestarts();
    void prunedHistoryKeepsTheRestReadable();
};

namespace {

QByteArray lines(const QString &words)
{
    return words.split(' ', Qt::SkipEmptyParts).join('\n').toUtf8();
}

} // namespace

void tst_VersionHistory::baseIsWhatBothSidesLastHad_data()
{
    QTest::addColumn<QStringList>("seen"); // "words@seconds", oldest first
    QTest::addColumn<QString>("copy");     // "words@seconds written"
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("base");         // -1 for none

    QTest::newRow("several writes while apart, the other side's file read last")
            << QStringList{"eggs milk@10", "eggs milk apple@20", "milk apple@30", "eggs milk bread@40"}
            << "milk apple@30" << "eggs milk bread@35" << 0;
    QTest::newRow("a foreign copy from a version seen earlier")
            << QStringList{"eggs milk@10", "eggs milk apple@20"} << "eggs cheese@25"
            << "eggs milk apple@20" << 0;
    QTest::newRow("the other side went on from an earlier write of ours")
            << QStringList{"eggs@10", "eggs apple@20", "eggs apple bread@30"} << "eggs apple bread@30"
            << "eggs apple rice@35" << 1;
    QTest::newRow("a copy made again after it was merged is older than the merge")
            << QStringList{"eggs@10", "eggs bread@20", "eggs bread apple@30"} << "eggs apple@15"
            << "eggs bread apple@30" << 0;
    QTest::newRow("a cleared list is a version like any other")
            << QStringList{"eggs milk@10", "@20"} << "@20" << "eggs milk bread@25" << 0;
    QTest::newRow("a note both sides created began from nothing")
            << QStringList{"@0", "soup bread@20"} << "soup bread@20" << "curry@25" << 0;
    QTest::newRow("a fresh machine saw nothing from before they diverged")
            << QStringList{"eggs milk bread@100"} << "eggs milk apple@50" << "eggs milk bread@60" << -1;
}

void tst_VersionHistory::baseIsWhatBothSidesLastHad()
{
    QFETCH(QStringList, seen);
    QFETCH(QString, copy);
    QFETCH(QString, file);
    QFETCH(int, base);

    auto written = [](const QString &version) {
        const QStringList parts = version.split('@');
        return VersionHistory::Written {lines(parts.at(0)), parts.at(1).toLongLong() * 1000};
    };
    QVector<VersionHistory::Version> versions;
    for (const QString &version : seen)
        versions.append({written(version).bytes, written(version).modified});
    QCOMPARE(VersionHistory::chooseBase(versions, written(copy), written(file)), base);
}

void tst_VersionHistory::versionsAreKeptAcrossRestarts()
{
    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    for (const char *version : {"eggs", "eggs", "eggs\nmilk", "eggs"})
        VersionHistory(path).recordSeen(version);
    VersionHistory(path).recordMerged("eggs\nrice");

    const VersionHistory history(path);
    QStringList kept;
    for (const VersionHistory::Version &version : history.versions())
        kept << QString::fromUtf8(version.bytes);
    QCOMPARE(kept, (QStringList{"eggs", "eggs\nmilk", "eggs"}));
    QVERIFY(history.wasMerged("eggs\nrice"));
    QVERIFY(!history.wasMerged("eggs\nmilk"));
    QVERIFY2(VersionHistory(home.dataPath("other.txt")).versions().isEmpty(), "histories of two files mixed");
}

// A missing file is dated at the epoch, older than the month kept; dropping it rewrites
// the store of versions, which must leave the others where the index finds them.
void tst_VersionHistory::prunedHistoryKeepsTheRestReadable()
{
    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    VersionHistory(path).recordMissing();
    QStringList recorded;
    for (int i = 0; i <= VersionHistory::keptVersions; ++i) {
        recorded << QString("eggs\n%1").arg(i);
        VersionHistory(path).recordSeen(recorded.last().toUtf8());
    }
    QStringList kept;
    for (const VersionHistory::Version &version : VersionHistory(path).versions())
        kept << QString::fromUtf8(version.bytes);
    QCOMPARE(kept, recorded);
}

QTEST_MAIN(tst_VersionHistory)
#include "tst_versionhistory.moc"
