// SPDX-License-Identifier: GPL-3.0-or-later
// This machine's store of versions and the record of versions in the data folder:
// what a stop, a damaged file or another installation's record leaves them as.
#include "folderlock.h"
#include "syncedfile.h"
#include "versionhistory.h"
#include "versionrecord.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class tst_VersionHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void storeKeepsVersionsAcrossRestarts();
    void damagedStoreCountsAsMissing_data();
    void damagedStoreCountsAsMissing();
    void compactedStoreReadsBackItsOwnBytes();
    void damagedRecordCountsAsAbsent_data();
    void damagedRecordCountsAsAbsent();
    void writesAreRecordedWithWhatTheyReplaced();
    void lostStoreTakesANewNameAndTheRecordKeepsTheBytes();
    void recordKeepsTheBytesOfAVersionNothingWentOnFrom();
    void stopDuringARewriteLeavesTheOldRecord();
    void rewriteKeepsWhatAnotherInstallationNeeds_data();
    void rewriteKeepsWhatAnotherInstallationNeeds();
    void namesTakenAfterALostStoreAreKnownEverywhere();
    void freshHomeGetsNoRecordUntilAWrite();

private:
    QString data() const { return dir->filePath("data"); }
    QString store() const { return dir->filePath("store"); }
    QString list() const { return data() + "/list.txt"; }
    QStringList storeEntries() const
    {
        const QString folder = QDir(store() + "/versions").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot).value(0).filePath();
        return QStringList {folder};
    }

    std::unique_ptr<QTemporaryDir> dir;
};

namespace {

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

SyncedFile::WriteResult save(VersionRecord *record, const QString &path, const QString &text)
{
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    file.setRecord(record);
    file.setPath(path);
    file.refresh();
    return file.write(text);
}

// Versions of file chained one on another, as saves would write them into the record,
// the first going on from firstParents, until the record is due for a rewrite.
void appendSavesUntilRewritten(const VersionRecord &record, const QString &file,
                               const QVector<QByteArray> &firstParents)
{
    QFile own(record.ownRecordPath());
    QVERIFY(own.open(QIODevice::Append));
    Version version;
    version.file = file;
    version.parents = firstParents;
    for (quint64 counter = 2; counter <= VersionRecord::compactAtVersions + 1; ++counter) {
        version.hash = sha1(QByteArray::number(counter));
        own.write(VersionRecord::versionLine(counter, version));
        version.parents = {record.writer() + ':' + QByteArray::number(counter)};
    }
}

// True when upkeep made the record smaller.
bool rewrite(VersionRecord *record)
{
    const qint64 before = QFileInfo(record->ownRecordPath()).size();
    const FolderLock lock(record->dataFolder());
    record->maintain(lock);
    return QFileInfo(record->ownRecordPath()).size() < before;
}

} // namespace

void tst_VersionHistory::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    QVERIFY(QDir().mkpath(data()));
}

void tst_VersionHistory::storeKeepsVersionsAcrossRestarts()
{
    {
        const FolderLock lock(data());
        VersionHistory history(store(), list());
        for (const char *version : {"eggs", "eggs\nmilk", "eggs"})
            QVERIFY(history.keep(lock, version));
    }
    const VersionHistory history(store(), list());
    QCOMPARE(history.versions(), (QVector<QByteArray> {"eggs\nmilk", "eggs"}));
    QByteArray found;
    QVERIFY(history.find(sha1("eggs\nmilk"), &found));
    QCOMPARE(found, QByteArray("eggs\nmilk"));
    QVERIFY2(VersionHistory(store(), data() + "/saved_meals/list.txt").versions().isEmpty(),
             "two files of one name share a store");
}

void tst_VersionHistory::damagedStoreCountsAsMissing_data()
{
    QTest::addColumn<QString>("damaged");
    QTest::addColumn<QVector<QByteArray>>("readable");

    QTest::newRow("a byte of a version changed") << "versions-0" << QVector<QByteArray> {"eggs\nmilk", "eggs\nrice"};
    QTest::newRow("the newest index cut short") << "index-1" << QVector<QByteArray> {"eggs", "eggs\nmilk"};
}

void tst_VersionHistory::damagedStoreCountsAsMissing()
{
    QFETCH(QString, damaged);
    QFETCH(QVector<QByteArray>, readable);

    const FolderLock lock(data());
    for (const char *version : {"eggs", "eggs\nmilk", "eggs\nrice"})
        QVERIFY(VersionHistory(store(), list()).keep(lock, version));
    QFile file(storeEntries().first() + '/' + damaged);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (damaged.startsWith("versions"))
        QVERIFY(file.seek(1) && file.write("X") == 1);
    else
        QVERIFY(file.resize(file.size() - 1));
    file.close();
    QCOMPARE(VersionHistory(store(), list()).versions(), readable);
}

// Versions given up leave the versions file mostly unused; it is written anew, and
// each version must then still be found with its own bytes.
void tst_VersionHistory::compactedStoreReadsBackItsOwnBytes()
{
    const FolderLock lock(data());
    VersionHistory history(store(), list());
    const QByteArray large(100 * 1024, 'x');
    QVERIFY(history.keep(lock, large));
    for (int i = 0; i < VersionHistory::keptVersions; ++i)
        QVERIFY(history.keep(lock, QByteArray::number(i)));
    history.compact(lock);
    QCOMPARE(QDir(storeEntries().first()).entryList({"versions-*"}), QStringList {"versions-1"});
    const QVector<QByteArray> kept = history.versions();
    QCOMPARE(kept.size(), VersionHistory::keptVersions);
    QCOMPARE(kept.last(), QByteArray::number(VersionHistory::keptVersions - 1));
}

void tst_VersionHistory::damagedRecordCountsAsAbsent_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<bool>("valid");

    const QByteArray writer = "00000000000000aa";
    const QByteArray header = "ladlewise versions 1 " + writer + '\n';
    Version version;
    version.file = "list.txt";
    version.hash = sha1("eggs");
    const QByteArray first = VersionRecord::versionLine(1, version);
    version.parents << writer + ":1";
    const QByteArray second = VersionRecord::versionLine(2, version);
    Version read = version;
    read.kind = Version::Read;
    read.cameAfter << writer + ":1";
    const QByteArray third = VersionRecord::versionLine(3, read);
    QTest::newRow("whole") << header + first + second << true;
    QTest::newRow("a read and what its file held before") << header + first + second + third << true;
    read.cameAfter = {":1"};
    QTest::newRow("a read after a version no writer wrote")
            << header + first + second + VersionRecord::versionLine(3, read) << false;
    QTest::newRow("an earlier name of the installation") << header + VersionRecord::earlierNameLine("00000000000000a9") + first << true;
    QTest::newRow("an earlier name that is none") << header + VersionRecord::earlierNameLine("a9") + first << false;
    QTest::newRow("cut short") << header + first + second.chopped(3) << false;
    QTest::newRow("a byte changed") << header + first + QByteArray(second).replace("list", "lisT") << false;
    QTest::newRow("counters not rising") << header + second + first << false;
    QTest::newRow("another installation's name") << "ladlewise versions 1 00000000000000bb\n" + first << false;
    QTest::newRow("not a record") << QByteArray("eggs\nmilk\n") << false;
    QTest::newRow("larger than a record may be")
            << header + first + QByteArray(VersionRecord::maximumSize, 'x') + '\n' << false;
}

void tst_VersionHistory::damagedRecordCountsAsAbsent()
{
    QFETCH(QByteArray, record);
    QFETCH(bool, valid);

    const VersionRecord::Parsed parsed = VersionRecord::parse(record, "00000000000000aa");
    QCOMPARE(parsed.valid, valid);
    writeAll(data() + "/versions/00000000000000aa.record", record);
    QCOMPARE(VersionRecord(data(), store()).graph().contains("00000000000000aa:1"), valid);
}

void tst_VersionHistory::writesAreRecordedWithWhatTheyReplaced()
{
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    QCOMPARE(save(&record, list(), "eggs\nmilk"), SyncedFile::Written);
    writeAll(list(), "eggs\nmilk\njam");
    QCOMPARE(save(&record, list(), "eggs\nmilk\njam\ntea"), SyncedFile::Written);

    const QByteArray writer = record.writer();
    const VersionGraph graph = record.graph();
    QCOMPARE(graph.version(writer + ":1").parents, QVector<QByteArray>());
    QCOMPARE(graph.version(writer + ":2").parents, QVector<QByteArray> {writer + ":1"});
    QCOMPARE(graph.version(writer + ":3").kind, Version::Read);
    QCOMPARE(graph.version(writer + ":3").parents, QVector<QByteArray>());
    QCOMPARE(graph.version(writer + ":4").parents, QVector<QByteArray> {writer + ":3"});
    QVERIFY2(!readAll(record.ownRecordPath()).contains(".txt\n"), "a record that ends like a note");
    QVERIFY(QFileInfo::exists(record.recordFolder() + "/README"));
    QVERIFY2(QDir(record.recordFolder()).entryList({"*.txt"}).isEmpty(), "a record file ends in .txt");
}

// A machine whose store is lost, or a new one, finds the bytes of versions merges need
// in the record after the upkeep, and goes on under a new name.
void tst_VersionHistory::lostStoreTakesANewNameAndTheRecordKeepsTheBytes()
{
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    QCOMPARE(save(&record, list(), "eggs\nmilk"), SyncedFile::Written);
    {
        const FolderLock lock(data());
        record.maintain(lock);
    }
    const QByteArray before = record.writer();
    QVERIFY(QDir(store()).removeRecursively());

    VersionRecord reinstalled(data(), store());
    QByteArray bytes;
    QVERIFY(reinstalled.bytesOf(list(), sha1("eggs"), &bytes));
    QCOMPARE(bytes, QByteArray("eggs"));
    QCOMPARE(save(&reinstalled, list(), "eggs\nmilk\ntea"), SyncedFile::Written);
    QVERIFY(!reinstalled.writer().isEmpty());
    QVERIFY(reinstalled.writer() != before);
    QCOMPARE(reinstalled.graph().version(reinstalled.writer() + ":1").parents,
             QVector<QByteArray> {before + ":2"});
}

// A version the sync tool dropped is one nothing went on from, however many saves
// came after on the file it was replaced in: once the store is lost, its bytes must
// come from the record to merge it back.
void tst_VersionHistory::recordKeepsTheBytesOfAVersionNothingWentOnFrom()
{
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    QCOMPARE(save(&record, list(), "eggs\njam"), SyncedFile::Written);
    const QByteArray dropped = record.writer() + ":2";
    // Another machine's list in its place, which this one then saves many times.
    writeAll(list(), "eggs\nmilk");
    for (int save = 0; save <= VersionRecord::bytesPerFile; ++save)
        QCOMPARE(::save(&record, list(), "eggs\nmilk\n" + QString::number(save)), SyncedFile::Written);
    QVERIFY(record.graph().isHead(dropped));
    {
        const FolderLock lock(data());
        record.maintain(lock);
    }
    QVERIFY(QDir(store()).removeRecursively());
    QByteArray bytes;
    QVERIFY(VersionRecord(data(), store()).bytesOf(list(), sha1("eggs\njam"), &bytes));
    QCOMPARE(bytes, QByteArray("eggs\njam"));
}

// The rewrite goes to a file beside the record and is renamed over it: a stop before
// the rename leaves the old record whole, and the leftover is never read as one.
void tst_VersionHistory::stopDuringARewriteLeavesTheOldRecord()
{
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    const QByteArray whole = readAll(record.ownRecordPath());
    writeAll(record.ownRecordPath() + ".new", whole.left(whole.size() / 2));
    const VersionGraph graph = VersionRecord(data(), store()).graph();
    QVERIFY(graph.contains(record.writer() + ":1"));
    QCOMPARE(graph.all().size(), 1);
    QCOMPARE(save(&record, list(), "eggs\nmilk"), SyncedFile::Written);
    QVERIFY(record.graph().contains(record.writer() + ":2"));
}

// Another installation, perhaps gone, needs a version of this record however old: its
// latest went on from it, or this record's merge took in its latest, which would look
// dropped without the merge and come back over all since.
void tst_VersionHistory::rewriteKeepsWhatAnotherInstallationNeeds_data()
{
    QTest::addColumn<bool>("othersLatestGoesOnFromOurs");
    QTest::addColumn<QString>("savedSince");
    QTest::newRow("another machine's latest went on from ours") << true << "saved_meals/note.txt";
    QTest::newRow("our merge took in a gone machine's latest") << false << "list.txt";
}

void tst_VersionHistory::rewriteKeepsWhatAnotherInstallationNeeds()
{
    QFETCH(bool, othersLatestGoesOnFromOurs);
    QFETCH(QString, savedSince);
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    const QByteArray ours = record.writer() + ":1";
    const QByteArray other = "00000000000000bb";
    Version version;
    version.file = "list.txt";
    version.hash = sha1("eggs\nmilk");
    if (othersLatestGoesOnFromOurs)
        version.parents << ours;
    writeAll(data() + "/versions/" + other + ".record",
             "ladlewise versions 1 " + other + '\n' + VersionRecord::versionLine(1, version));
    QVector<QByteArray> firstParents;
    if (!othersLatestGoesOnFromOurs)
        firstParents << ours << other + ":1";
    appendSavesUntilRewritten(record, savedSince, firstParents);
    QVERIFY(rewrite(&record));
    QVERIFY(!record.graph().isHead(othersLatestGoesOnFromOurs ? ours : other + ":1"));
}

// A store lost while the window runs: the record of the name taken next tells every
// machine, and this one once its store is lost again, that all it holds came later.
void tst_VersionHistory::namesTakenAfterALostStoreAreKnownEverywhere()
{
    VersionRecord record(data(), store());
    QCOMPARE(save(&record, list(), "eggs"), SyncedFile::Written);
    const QByteArray first = record.writer();
    QVERIFY(QDir(store()).removeRecursively());
    QCOMPARE(save(&record, list(), "eggs\nmilk"), SyncedFile::Written);
    const QByteArray second = record.writer();
    appendSavesUntilRewritten(record, "list.txt", {second + ":1"});
    QVERIFY(rewrite(&record));
    QVERIFY(QDir(store()).removeRecursively());

    const VersionRecord elsewhere(data(), dir->filePath("elsewhere"));
    QCOMPARE(elsewhere.namesAfter(first), QSet<QByteArray> {second});
}

void tst_VersionHistory::freshHomeGetsNoRecordUntilAWrite()
{
    QVERIFY(QDir(data()).removeRecursively());
    VersionRecord record(data(), store());
    SyncedFile file(nullptr, SyncedFile::NotWatched);
    file.setRecord(&record);
    file.setPath(list());
    file.refresh();
    QVERIFY(record.graph().all().isEmpty());
    QVERIFY(!QFileInfo::exists(data()));
    QVERIFY(!QFileInfo::exists(store()));
}

QTEST_GUILESS_MAIN(tst_VersionHistory)
#include "tst_versionhistory.moc"
