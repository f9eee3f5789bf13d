#include "testsupport.h"

#include "linemerge.h"
#include "mergebasechooser.h"
#include "versionhistory.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

// The base a conflict copy is merged against, chosen from the versions this machine
// saw, and the history that keeps them. Versions are written as words, one line
// each, and their times in seconds.
class tst_VersionHistory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void baseIsWhatBothSidesSurelyHad_data();
    void baseIsWhatBothSidesSurelyHad();
    void mergeNeverDropsAnAddition_data();
    void mergeNeverDropsAnAddition();
    void historyIsKeptAcrossRestarts();
    void damagedHistoryCountsAsMissing_data();
    void damagedHistoryCountsAsMissing();
    void compactedVersionsReadBackTheirOwnBytes();
    void oldVersionsGoButTheFirstStays();
};

namespace {

QByteArray lines(const QString &words)
{
    return words.split(' ', Qt::SkipEmptyParts).join('\n').toUtf8();
}

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// "words@written" or "words@written@arrived", in seconds.
MergeSide side(const QString &text)
{
    const QStringList parts = text.split('@');
    const qint64 written = parts.at(1).toLongLong() * 1000;
    return {lines(parts.at(0)), written, parts.size() > 2 ? parts.at(2).toLongLong() * 1000 : written};
}

struct Versions
{
    QVector<KnownVersion> known;
    QVector<QByteArray> bytes;
    QSet<int> unreadable;

    void add(const QByteArray &version, qint64 seen, bool writtenOverPrevious)
    {
        known.append({sha1(version), version.size(), seen, writtenOverPrevious});
        bytes.append(version);
    }
    MergeBase choose(const MergeSide &copy, const MergeSide &file, QByteArray *base) const
    {
        auto read = [this](int i, QByteArray *version) {
            *version = bytes.at(i);
            return !unreadable.contains(i);
        };
        return MergeBaseChooser(known, read, file).choose(copy, base);
    }
};

} // namespace

void tst_VersionHistory::cleanup()
{
    VersionHistory::setClock(nullptr);
}

void tst_VersionHistory::baseIsWhatBothSidesSurelyHad_data()
{
    // "words@seconds", oldest first; "*" for a version this machine wrote over the one
    // before, "!" for one whose bytes cannot be read.
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("base"); // "-" for none, "?" before a doubtful one

    QTest::newRow("an item the other side also added proves nothing of the one before")
            << QStringList{"milk@10", "*milk bread@20", "*milk bread eggs@30"} << "milk eggs@35"
            << "milk bread eggs@30" << "milk eggs";
    QTest::newRow("both deleted milk, one added bread")
            << QStringList{"milk eggs@10", "*milk eggs bread@20", "*eggs bread@30"} << "eggs@35"
            << "eggs bread@30" << "eggs";
    QTest::newRow("a deletion the other side never saw is taken from before it")
            << QStringList{"milk eggs@10", "*eggs@20"} << "milk eggs bread@25" << "eggs@20" << "milk eggs";
    QTest::newRow("items from the other machine, gone from its copy, wait for it")
            << QStringList{"eggs@10", "eggs milk tea@20", "*eggs milk tea bread@30"} << "eggs milk tea bread@30"
            << "eggs milk@35" << "?eggs milk";
    QStringList sixtySaves {"milk eggs tea@10"};
    for (int i = 1; i <= 60; ++i)
        sixtySaves << QString("*milk eggs tea x%1@%2").arg(i).arg(10 + 2 * i) << QString("*milk eggs tea@%1").arg(11 + 2 * i);
    QTest::newRow("sixty saves while apart")
            << (sixtySaves << "*milk eggs tea last@200") << "milk tea b1 b2@150" << "milk eggs tea last@200"
            << "milk eggs tea";
    QTest::newRow("an item the other side deleted since is kept")
            << QStringList{"milk@10", "*milk bread@20", "*milk bread tea@30"} << "milk tea@35"
            << "milk bread tea@30" << "milk tea";
    QTest::newRow("our own earlier write, which the other side went on from")
            << QStringList{"eggs@10", "*eggs apple@20", "*eggs apple bread@30"} << "eggs apple bread@30"
            << "eggs apple rice@35" << "eggs apple";
    QTest::newRow("a cleared list is a version like any other")
            << QStringList{"eggs milk@10", "*@20"} << "@20" << "eggs milk bread@25" << "eggs milk";
    QTest::newRow("a second clear, of what both had since the first")
            << QStringList{"eggs milk@10", "*eggs milk oil@20", "oil@30", "*@40"} << "@40" << "oil jam@45" << "oil";
    QTest::newRow("a note both sides created began from nothing")
            << QStringList{"@0", "*soup bread@20"} << "soup bread@20" << "curry@25" << "";
    QTest::newRow("a clock an hour fast proves nothing")
            << QStringList{"milk@10", "*milk bread@20"} << "milk eggs@3620" << "milk bread@20" << "milk";
    QTest::newRow("a clock an hour slow rules the versions out")
            << QStringList{"milk@3610", "*milk bread@3620"} << "milk eggs@30@3630" << "milk bread@3620" << "-";
    QTest::newRow("a copy set aside before this machine first saw the file")
            << QStringList{"milk eggs@100"} << "milk bread@50@90" << "milk eggs@100" << "-";
    QTest::newRow("a version that cannot be read is never the base")
            << QStringList{"milk@10", "!milk bread@20"} << "milk bread eggs@25" << "milk bread tea@25" << "milk";
}

void tst_VersionHistory::baseIsWhatBothSidesSurelyHad()
{
    QFETCH(QStringList, seen);
    QFETCH(QString, copy);
    QFETCH(QString, file);
    QFETCH(QString, base);

    Versions versions;
    for (QString version : seen) {
        const bool unreadable = version.startsWith('!');
        const bool written = version.startsWith('*');
        if (unreadable || written)
            version.remove(0, 1);
        if (unreadable)
            versions.unreadable.insert(versions.known.size());
        const MergeSide parsed = side(version);
        versions.add(parsed.bytes, parsed.written, written);
    }
    QByteArray chosen;
    const MergeBase found = versions.choose(side(copy), side(file), &chosen);
    const QString doubt = found == MergeBase::Doubtful ? "?" : "";
    QCOMPARE(found == MergeBase::None ? QString("-") : doubt + QString::fromUtf8(chosen).split('\n').join(' '), base);
}

void tst_VersionHistory::mergeNeverDropsAnAddition_data()
{
    QTest::addColumn<bool>("note");
    QTest::newRow("grocery list") << false;
    QTest::newRow("meal note") << true;
}

// This machine's history, partly written here, partly read as a third machine left
// it; another machine that went on from one of its versions with a clock up to an hour
// off; the history pruned or begun again. Whatever base is chosen, nothing either side
// added since they parted may be missing from the merge, nor be there twice.
void tst_VersionHistory::mergeNeverDropsAnAddition()
{
    QFETCH(bool, note);
    const quint32 firstSeed = qEnvironmentVariableIsSet("MERGE_SEED") ? qEnvironmentVariableIntValue("MERGE_SEED") : 1;
    QElapsedTimer running;
    running.start();
    int merged = 0, based = 0;
    for (quint32 seed = firstSeed; merged < 3000 && running.elapsed() < 4000; ++seed, ++merged) {
        QRandomGenerator random(seed);
        int named = 0;
        auto edit = [&](QStringList items) {
            const int what = random.bounded(20);
            if (what < 11 || items.isEmpty())
                items.insert(random.bounded(items.size() + 1), QString("i%1").arg(named++));
            else if (what < 19)
                items.removeAt(random.bounded(items.size()));
            else
                items.clear();
            return items;
        };
        Versions versions;
        qint64 now = 100000;
        QStringList items;
        QVector<QStringList> itemsOf;
        auto record = [&](bool written) {
            now += random.bounded(1000, 60000);
            versions.add(items.join('\n').toUtf8(), now, written);
            itemsOf.append(items);
        };
        if (random.bounded(2)) {
            versions.add(QByteArray(), 0, false);
            itemsOf.append(QStringList());
        }
        for (int step = random.bounded(1, 12); step > 0; --step) {
            items = edit(items);
            record(random.bounded(3) > 0);
        }
        const int fork = random.bounded(versions.known.size());
        const QStringList parted = itemsOf.at(fork);
        QStringList theirs = parted;
        for (int step = random.bounded(1, 6); step > 0; --step)
            theirs = edit(theirs);
        for (int step = random.bounded(0, 6); step > 0; --step) {
            items = edit(items);
            record(true);
        }
        const qint64 clockOffset = random.bounded(-3600000, 3600001);
        MergeSide other {theirs.join('\n').toUtf8(),
                         qint64(random.bounded(double(now + 1 - versions.known.at(fork).seen))) + versions.known.at(fork).seen + clockOffset, now + 1000};
        const MergeSide ours {items.join('\n').toUtf8(), now, now};
        if (random.bounded(4) == 0 && versions.known.size() > 2) {
            const int dropped = random.bounded(1, versions.known.size() - 1);
            versions.known.remove(dropped);
            versions.bytes.remove(dropped);
            versions.known[dropped].writtenOverPrevious = false;
        } else if (random.bounded(4) == 0 && versions.known.size() > 1) {
            // Begun again with the file as it was, the copy already there.
            const int restart = random.bounded(1, versions.known.size());
            versions.known.remove(0, restart);
            versions.bytes.remove(0, restart);
            versions.known[0].writtenOverPrevious = false;
            other.arrived = qMin(other.arrived, versions.known.at(0).seen - 5000);
        }
        const bool oursSetAside = random.bounded(2);
        QByteArray base;
        const bool hasBase = MergeBase::None
                             != (oursSetAside ? versions.choose(ours, other, &base) : versions.choose(other, ours, &base));
        based += hasBase;
        const QStringList &copy = oursSetAside ? items : theirs;
        const QStringList &file = oursSetAside ? theirs : items;
        const QStringList baseItems = QString::fromUtf8(base).split('\n', Qt::SkipEmptyParts);
        const QStringList result = !hasBase ? mergeLinesWithoutBase(file, copy)
                                   : note   ? mergeLines(baseItems, copy, file)
                                            : mergeItems(baseItems, file, copy);

        for (const QString &item : theirs + items) {
            const bool mustStay = !parted.contains(item) || (theirs.contains(item) && items.contains(item));
            QVERIFY2(!mustStay || result.count(item) == 1,
                     qPrintable(QString("seed %1: %2 is there %3 times; base %4, file %5, copy %6, merged %7")
                                        .arg(seed).arg(item).arg(result.count(item))
                                        .arg(hasBase ? baseItems.join(' ') : "none", file.join(' '),
                                             copy.join(' '), result.join(' '))));
        }
    }
    QVERIFY2(based > merged / 4, qPrintable(QString("a base for only %1 of %2 merges").arg(based).arg(merged)));
}

void tst_VersionHistory::historyIsKeptAcrossRestarts()
{
    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    qint64 now = 1000;
    VersionHistory::setClock([&now] { return now += 10; });
    VersionHistory(path).recordSeen("eggs");
    VersionHistory(path).recordWritten("eggs\nmilk", "eggs");
    QVERIFY(VersionHistory(path).recordMerging({"copy"}, "eggs\nmilk\ntea"));
    QVERIFY(VersionHistory(path).recordMerging({"copy cut short"}, "eggs"));
    VersionHistory(path).recordWritten("eggs\nmilk\ntea", "eggs\nmilk");

    const VersionHistory history(path);
    QCOMPARE(history.versions(), (QVector<QByteArray>{"eggs", "eggs\nmilk", "eggs\nmilk\ntea"}));
    QVERIFY(history.wasMerged("copy", "other bytes"));
    QVERIFY2(!history.wasMerged("copy cut short", "other bytes"), "an older version taken for the merge's write");
    QVERIFY2(!history.wasMerged("another copy", "eggs\nmilk\ntea"), "a copy counted as merged by its bytes");
    const qint64 later = QDateTime::currentMSecsSinceEpoch() + 10000;
    QVector<QByteArray> bases;
    QCOMPARE(history.findBases({{"eggs\nmilk\ntea", 0, 0}}, {"eggs\nrice", later, later}, &bases),
             QVector<MergeBase>{MergeBase::Sure});
    QCOMPARE(bases, QVector<QByteArray>{"eggs"});
    for (const QString &other : {home.dataPath("saved_meals/list.txt"), home.path("other/Documents/ladlewise/data/list.txt")})
        QVERIFY2(VersionHistory(other).versions().isEmpty(), "two files of one name share a history");
    VersionHistory(path).recordCreated("soup");
    QCOMPARE(VersionHistory(path).versions(), (QVector<QByteArray>{"", "soup"}));
}

void tst_VersionHistory::damagedHistoryCountsAsMissing_data()
{
    QTest::addColumn<QString>("damaged");
    QTest::addColumn<QVector<QByteArray>>("readable");

    QTest::newRow("a byte of a version changed") << "versions-0" << QVector<QByteArray>{"eggs", "eggs\nrice"};
    QTest::newRow("the newest index cut short") << "index-1" << QVector<QByteArray>{"eggs", "eggs\nmilk"};
}

void tst_VersionHistory::damagedHistoryCountsAsMissing()
{
    QFETCH(QString, damaged);
    QFETCH(QVector<QByteArray>, readable);

    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    for (const char *version : {"eggs", "eggs\nmilk", "eggs\nrice"})
        VersionHistory(path).recordSeen(version);
    const QString folder = QDir(home.path(".local/share/ladlewise/versions")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot).value(0).filePath();
    QFile file(folder + '/' + damaged);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (damaged.startsWith("versions")) {
        QVERIFY(file.seek(5) && file.write("X") == 1);
    } else {
        QVERIFY(file.resize(file.size() - 1));
    }
    file.close();
    QCOMPARE(VersionHistory(path).versions(), readable);
}

// Versions given up make the versions file mostly unused; it is written anew, and each
// version must then still be found with its own bytes.
void tst_VersionHistory::compactedVersionsReadBackTheirOwnBytes()
{
    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    const QByteArray large(100 * 1024, 'x');
    VersionHistory(path).recordSeen(large);
    VersionHistory(path).recordSeen(large + "\nmilk");
    VersionHistory(path).recordCreated("eggs");
    VersionHistory(path).recordWritten("eggs\nmilk", "eggs");
    QCoreApplication::processEvents();
    const QString folder = QDir(home.path(".local/share/ladlewise/versions")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot).value(0).filePath();
    QCOMPARE(QDir(folder).entryList({"versions-*"}), QStringList{"versions-1"});
    QCOMPARE(VersionHistory(path).versions(), (QVector<QByteArray>{"", "eggs", "eggs\nmilk"}));
}

void tst_VersionHistory::oldVersionsGoButTheFirstStays()
{
    TemporaryHome home;
    const QString path = home.dataPath("list.txt");
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    VersionHistory::setClock([&now] { return now; });
    for (int i = 0; i < VersionHistory::keptVersions + 10; ++i)
        VersionHistory(path).recordSeen(QByteArray::number(i));
    now += VersionHistory::keptMilliseconds + 1;
    VersionHistory(path).recordSeen("new");

    const QVector<QByteArray> kept = VersionHistory(path).versions();
    QCOMPARE(kept.size(), VersionHistory::keptVersions + 1);
    QCOMPARE(kept.first(), QByteArray("0"));
    QCOMPARE(kept.at(1), QByteArray::number(11));
    QCOMPARE(kept.last(), QByteArray("new"));
}

QTEST_MAIN(tst_VersionHistory)
#include "tst_versionhistory.moc"
