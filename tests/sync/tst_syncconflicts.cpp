// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "conflictmerger.h"
#include "syncedfile.h"
#include "versionrecord.h"

// Two machines syncing one folder: what both saved at the same time ends up in the
// file, with no copy left aside; two processes on one machine lose nothing either.
class tst_SyncConflicts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void changeSetAsideIsMergedBack_data();
    void changeSetAsideIsMergedBack();
    void copyWithoutBaseWaitsAndLinksAreLeftAlone();
    void copiesAreFoundByName_data();
    void copiesAreFoundByName();
    void twoWindowsMergeOneCopyOnce();
    void allCopiesOfAFileAreMergedInOnePass();
    void copyLeftByAStopIsMergedOnce();
    void twoProcessesAddingAtOnceLoseNothing();
    void listWaitsForALockKeptLong();
    void burstOfArrivingNotesIsHandledAFewTimes();
    void filesSyncedIntoAFreshHomeShow();

private:
    void changeBesideTheList();
    // Copies these tests make are no Ladlewise machine's: they need not wait for its
    // record.
    void mergeForeignCopiesAtOnce() { f->window->findChild<ConflictMerger *>()->setUnprovenWait(0); }

    const QDate day = QDate::currentDate();
    std::unique_ptr<WindowFixture> f;
    int changesBeside = 0;
};

void tst_SyncConflicts::init()
{
    f.reset(new WindowFixture);
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk"));
    QVERIFY(QDir().mkpath(f->home.notePath("")));
}

void tst_SyncConflicts::cleanup()
{
    f.reset();
}

// Something else changes in the list's folder; returns once the window has looked.
void tst_SyncConflicts::changeBesideTheList()
{
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->home.dataPath(QString("other %1.txt").arg(++changesBeside)), "x"));
    QVERIFY(changed.wait(5000));
}

void tst_SyncConflicts::changeSetAsideIsMergedBack_data()
{
    QTest::addColumn<bool>("note");
    QTest::addColumn<bool>("restart");
    QTest::addColumn<QByteArray>("theirs"); // what the other machine saved
    QTest::addColumn<bool>("oursSetAside");  // or theirs
    QTest::addColumn<QByteArray>("merged");

    QTest::newRow("list, window open") << false << false << QByteArray("eggs\nmilk\nrice") << true
                                       << QByteArray("eggs\nmilk\nbread\nrice");
    QTest::newRow("list, merged at the next start") << false << true << QByteArray("eggs\nmilk\nrice")
                                                    << true << QByteArray("eggs\nmilk\nbread\nrice");
    // No record tells what the phone had: its deletion comes back.
    QTest::newRow("list, a phone's deletion set aside") << false << false << QByteArray("eggs\ncheese")
                                                        << false << QByteArray("eggs\ncheese\nmilk\nbread");
    QTest::newRow("note, window open") << true << false << QByteArray("curry") << true
                                       << QByteArray("curry\nsoup\nbread");
    QTest::newRow("note, merged at the next start") << true << true << QByteArray("curry") << true
                                                    << QByteArray("curry\nsoup\nbread");
}

// Ours and theirs both began from what the window first read; the sync tool keeps
// one and sets the other aside, as Syncthing does: the loser renamed to the copy's
// name, then the winner renamed into place.
void tst_SyncConflicts::changeSetAsideIsMergedBack()
{
    QFETCH(bool, note);
    QFETCH(bool, restart);
    QFETCH(QByteArray, theirs);
    QFETCH(bool, oursSetAside);
    QFETCH(QByteArray, merged);

    f->openOn(day);
    MessageLog dialogs;
    dialogs.typed = "bread";
    if (note) {
        f->click("EditButton");
        f->box()->setPlainText("soup\nbread");
        f->click("SaveButton");
    } else {
        f->click("AddItemButton");
    }
    if (restart)
        f->window.reset();
    const QString path = note ? f->notePath(day) : f->listPath();
    const QString copy = path.chopped(4) + ".sync-conflict-20261207-093353-BCFD7CS.txt";
    if (oursSetAside) {
        QVERIFY(::rename(qPrintable(path), qPrintable(copy)) == 0);
        QVERIFY(writeFile(path + ".part", theirs));
        QVERIFY(::rename(qPrintable(path + ".part"), qPrintable(path)) == 0);
    } else {
        QVERIFY(writeFile(copy, theirs));
    }
    if (restart)
        f->openOn(day);
    mergeForeignCopiesAtOnce();
    changeBesideTheList();

    QTRY_VERIFY2_WITH_TIMEOUT(!QFileInfo::exists(copy), "the copy was not merged", 10000);
    QCOMPARE(readFile(path), merged);
    QTRY_COMPARE((note ? f->box()->toPlainText() : groceryEntries(f->window.get()).join('\n')).toUtf8(),
                 merged);
}

// A copy no record names waits for the record of its writer, then both sides' lines
// stay; a link in a copy's place is never followed.
void tst_SyncConflicts::copyWithoutBaseWaitsAndLinksAreLeftAlone()
{
    const QString copy = f->home.dataPath("list (conflicted copy 2026-12-07 093353).txt");
    const QString link = f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt");
    QVERIFY(writeFile(f->home.path("secret.key"), "private key"));
    QVERIFY(QFile::link(f->home.path("secret.key"), link));
    QVERIFY(writeFile(copy, "tea\nmilk"));
    QFile copyFile(copy);
    QVERIFY(copyFile.open(QIODevice::ReadWrite)
            && copyFile.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    copyFile.close();
    f->open();
    ConflictMerger *merger = f->window->findChild<ConflictMerger *>();
    merger->setSettleTime(0);
    changeBesideTheList();
    QVERIFY(QFileInfo::exists(copy));
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk"));

    merger->setUnprovenWait(0);
    changeBesideTheList();
    QTRY_VERIFY2(!QFileInfo::exists(copy), "the copy was not merged after its wait");
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\ntea"));
    QVERIFY(QFileInfo(link).isSymLink());
}

void tst_SyncConflicts::copiesAreFoundByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("original");

    QTest::newRow("Syncthing") << "list.sync-conflict-20261207-093353-BCFD7CS.txt" << "list.txt";
    QTest::newRow("a copy of a copy") << "list.sync-conflict-20261207-093353-AAAAAAA.sync-conflict-"
                                         "20261207-093401-BBBBBBB.txt" << "list.txt";
    QTest::newRow("Nextcloud") << "list (conflicted copy 2026-12-07 093353).txt" << "list.txt";
    QTest::newRow("Dropbox") << "list (Ann's conflicted copy 2026-12-07).txt" << "list.txt";
    QTest::newRow("Dropbox, numbered") << "list (Ann's conflicted copy 2026-12-07) (1).txt" << "list.txt";
    QTest::newRow("a note") << "Mon Dec 7 2026.sync-conflict-20261207-093353-BCFD7CS.txt"
                            << "Mon Dec 7 2026.txt";
    QTest::newRow("not a copy") << "list (1).txt" << "";
}

void tst_SyncConflicts::copiesAreFoundByName()
{
    QFETCH(QString, name);
    QFETCH(QString, original);

    QCOMPARE(SyncedFile::conflictCopyOriginal(name), original);
}

// Two windows on one machine see the same copy; merged twice, the second merge would
// take the first one's result for the base and drop what the file had added. The
// other machine, apart, added bread to the same list.
void tst_SyncConflicts::twoWindowsMergeOneCopyOnce()
{
    VersionRecord otherMachine(f->home.dataPath(""), f->home.path("other machine"));
    SyncedFile theirs(nullptr, SyncedFile::NotWatched);
    theirs.setRecord(&otherMachine);
    theirs.setPath(f->listPath());
    QVERIFY(QFile::remove(f->listPath()));
    QCOMPARE(theirs.write("eggs\nmilk"), SyncedFile::Written);
    f->open();
    MessageLog dialogs;
    dialogs.typed = "apple";
    f->click("AddItemButton");
    f->window.reset();
    const QString copy = f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt");
    QVERIFY(::rename(qPrintable(f->listPath()), qPrintable(copy)) == 0);
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk"));
    QCOMPARE(theirs.write("eggs\nmilk\nbread"), SyncedFile::Written);

    QProcess first, second;
    for (QProcess *window : {&first, &second})
        window->start(LADLEWISE, QStringList());
    QTRY_VERIFY2_WITH_TIMEOUT(!QFileInfo::exists(copy), "the copy was not merged", 15000);
    QTest::qWait(3000);
    for (QProcess *window : {&first, &second}) {
        window->terminate();
        QVERIFY(window->waitForFinished(10000));
    }
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\napple\nbread"));
}

// Five machines' copies arrive together; once they and the list have settled, all are
// merged at one look, not each after the list settles again from the last merge.
void tst_SyncConflicts::allCopiesOfAFileAreMergedInOnePass()
{
    f->open();
    mergeForeignCopiesAtOnce();
    const QStringList names {"list.sync-conflict-20261207-093353-AAAAAAA.txt",
                             "list.sync-conflict-20261207-093354-BBBBBBB.txt",
                             "list (conflicted copy 2026-12-07 093355).txt",
                             "list (Ann's conflicted copy 2026-12-07).txt",
                             "list (Ann's conflicted copy 2026-12-07) (1).txt"};
    QStringList added;
    for (const QString &name : names) {
        added << QString("item %1").arg(added.size());
        QVERIFY(writeFile(f->home.dataPath(name), "eggs\nmilk\n" + added.last().toUtf8()));
    }
    changeBesideTheList();
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(f->home.dataPath(names.first())), 10000);
    for (const QString &name : names)
        QVERIFY2(!QFileInfo::exists(f->home.dataPath(name)), qPrintable(name + " waits for another settle"));
    QStringList merged = QString::fromUtf8(readFile(f->listPath())).split('\n');
    std::sort(merged.begin(), merged.end());
    QCOMPARE(merged, QStringList({"eggs"}) + added + QStringList({"milk"}));
}

// The other machine adds rice, which is merged; this one then deletes it, and the
// copy is there again, as a stop between the merge's write and the copy's removal
// leaves it: it is removed without another merge, which would bring rice back.
void tst_SyncConflicts::copyLeftByAStopIsMergedOnce()
{
    const QString data = f->home.dataPath("");
    VersionRecord ours(data, f->home.path("ours"));
    VersionRecord theirs(data, f->home.path("theirs"));
    ConflictMerger merger(&ours);
    merger.setSettleTime(0);
    auto write = [](VersionRecord *record, const QString &path, const QString &text) {
        SyncedFile file(nullptr, SyncedFile::NotWatched);
        file.setRecord(record);
        file.setPath(path);
        file.refresh();
        return file.write(text);
    };
    QVERIFY(QFile::remove(f->listPath()));
    QCOMPARE(write(&ours, f->listPath(), "eggs\nmilk"), SyncedFile::Written);
    const QByteArray base = readFile(f->listPath());
    QCOMPARE(write(&ours, f->listPath(), "eggs\nmilk\nbread"), SyncedFile::Written);
    const QByteArray bread = readFile(f->listPath());
    // The other machine, apart, went on from the same list.
    QVERIFY(writeFile(f->listPath(), base));
    QCOMPARE(write(&theirs, f->listPath(), "eggs\nmilk\nrice"), SyncedFile::Written);
    const QString copy = f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt");
    QVERIFY(::rename(qPrintable(f->listPath()), qPrintable(copy)) == 0);
    QVERIFY(writeFile(f->listPath(), bread));
    merger.mergeListCopies(f->listPath());
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\nrice\nbread"));
    QCOMPARE(write(&ours, f->listPath(), "eggs\nmilk\nbread"), SyncedFile::Written);

    QVERIFY(writeFile(copy, "eggs\nmilk\nrice"));
    merger.mergeListCopies(f->listPath());
    QVERIFY(!QFileInfo::exists(copy));
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\nbread"));
}

void tst_SyncConflicts::twoProcessesAddingAtOnceLoseNothing()
{
    const int count = 150;
    QVERIFY(writeFile(f->listPath(), ""));
    QProcess first, second;
    first.start(LISTWRITER, {f->listPath(), "a", QString::number(count)});
    second.start(LISTWRITER, {f->listPath(), "b", QString::number(count)});
    QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
    QCOMPARE(first.exitCode() + second.exitCode(), 0);
    QStringList items = QString::fromUtf8(readFile(f->listPath())).split('\n');
    items.removeDuplicates();
    QCOMPARE(items.size(), 2 * count);
}

// Another Ladlewise keeps the folder's lock for seconds: the window writes nothing
// meanwhile, neither an item added nor a copy merged, keeps the item shown and
// writes both once the lock is free.
void tst_SyncConflicts::listWaitsForALockKeptLong()
{
    f->open();
    mergeForeignCopiesAtOnce();
    QProcess holder;
    holder.start(LISTWRITER, {f->listPath(), "hold", "6000"});
    QVERIFY(holder.waitForReadyRead(10000));
    MessageLog dialogs;
    dialogs.typed = "bread";
    f->click("AddItemButton");
    QVERIFY(writeFile(f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt"), "eggs\nmilk\nrice"));
    QTest::qWait(2500);
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\nheld"));
    QCOMPARE(groceryEntries(f->window.get()).last(), QString("bread"));
    QVERIFY(holder.waitForFinished(10000));
    QCOMPARE(holder.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt")), 15000);
    QStringList items = QString::fromUtf8(readFile(f->listPath())).split('\n');
    std::sort(items.begin(), items.end());
    QCOMPARE(items, (QStringList{"bread", "eggs", "held", "milk", "rice"}));
}

// While a sync tool brings many notes, the window looks at the folder at most twice
// a second, and once more when it settles.
void tst_SyncConflicts::burstOfArrivingNotesIsHandledAFewTimes()
{
    f->openOn(day);
    QSignalSpy handled(f->child<QObject>("MealNoteFile"), SIGNAL(changedOnDisk()));
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 1000; ++i) {
        QVERIFY(writeFile(f->notePath(day.addDays(i - 500)), "stew"));
        if (i % 5 == 0)
            QCoreApplication::processEvents();
    }
    const qint64 burstMs = burst.elapsed();
    QTRY_COMPARE(f->calendar()->dateTextFormat(day.addDays(1)).fontWeight(),
                 int(QFont::Bold));
    QTest::qWait(600);
    QVERIFY2(handled.count() <= burstMs / 500 + 3,
             qPrintable(QString("%1 handlings for a burst of %2 ms").arg(handled.count()).arg(burstMs)));
}

void tst_SyncConflicts::filesSyncedIntoAFreshHomeShow()
{
    QVERIFY(QDir(f->home.path("Documents")).removeRecursively());
    f->openOn(day);
    QProcess sync;
    sync.start("sh", {"-c", "mkdir -p \"$1\" && printf 'tea\\nrice' > \"$2\" && printf soup > \"$3\"",
                      "sh", f->home.notePath(""), f->listPath(), f->notePath(day)});
    QVERIFY(sync.waitForFinished(10000));
    QTRY_COMPARE(groceryEntries(f->window.get()), (QStringList{"tea", "rice"}));
    QTRY_COMPARE(f->box()->toPlainText(), QString("soup"));
}

QTEST_MAIN(tst_SyncConflicts)
#include "tst_syncconflicts.moc"
