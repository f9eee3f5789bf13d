#include "testsupport.h"

#include "conflictmerger.h"

// Two machines syncing one folder: what both saved at the same time ends up in the
// file, with no copy left aside; two processes on one machine lose nothing either.
class tst_SyncConflicts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void ownChangeSetAsideIsMergedBack_data();
    void ownChangeSetAsideIsMergedBack();
    void copyFromElsewhereWaitsAndLinksAreLeftAlone();
    void twoProcessesAddingAtOnceLoseNothing();
    void burstOfArrivingNotesIsHandledAFewTimes();
    void filesSyncedIntoAFreshHomeShow();

private:
    void changeBesideTheList();

    const QDate day = QDate::currentDate();
    std::unique_ptr<WindowFixture> f;
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
    ConflictMerger::setForeignCopyWait(10 * 60 * 1000);
}

// Something else changes in the list's folder; returns once the window has looked.
void tst_SyncConflicts::changeBesideTheList()
{
    static int count = 0;
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->home.dataPath(QString("other %1.txt").arg(++count)), "x"));
    QVERIFY(changed.wait(5000));
}

void tst_SyncConflicts::ownChangeSetAsideIsMergedBack_data()
{
    QTest::addColumn<bool>("note");
    QTest::addColumn<bool>("restart");

    QTest::newRow("list, window open") << false << false;
    QTest::newRow("list, merged at the next start") << false << true;
    QTest::newRow("note, window open") << true << false;
    QTest::newRow("note, merged at the next start") << true << true;
}

void tst_SyncConflicts::ownChangeSetAsideIsMergedBack()
{
    QFETCH(bool, note);
    QFETCH(bool, restart);

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
    // As Syncthing does it: ours is set aside under the copy's name, then theirs is
    // renamed into place.
    const QString path = note ? f->notePath(day) : f->listPath();
    const QString copy = path.chopped(4) + ".sync-conflict-20261207-093353-BCFD7CS.txt";
    QVERIFY(::rename(qPrintable(path), qPrintable(copy)) == 0);
    QVERIFY(writeFile(path + ".part", note ? "curry" : "eggs\nmilk\nrice"));
    QVERIFY(::rename(qPrintable(path + ".part"), qPrintable(path)) == 0);
    if (restart)
        f->openOn(day);

    const QByteArray merged = note ? "curry\nsoup\nbread" : "eggs\nmilk\nrice\nbread";
    QTRY_VERIFY2(!QFileInfo::exists(copy), "the copy was not merged");
    QCOMPARE(readFile(path), merged);
    QTRY_COMPARE((note ? f->box()->toPlainText() : groceryEntries(f->window.get()).join('\n')).toUtf8(),
                 merged);
}

void tst_SyncConflicts::copyFromElsewhereWaitsAndLinksAreLeftAlone()
{
    ConflictMerger::setForeignCopyWait(60 * 60 * 1000);
    const QString copy = f->home.dataPath("list (conflicted copy 2026-12-07 093353).txt");
    const QString link = f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt");
    QVERIFY(writeFile(f->home.path("secret.key"), "private key"));
    QVERIFY(QFile::link(f->home.path("secret.key"), link));
    f->open();
    QVERIFY(writeFile(copy, "tea\nmilk"));
    changeBesideTheList();
    QVERIFY(QFileInfo::exists(copy));
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk"));

    ConflictMerger::setForeignCopyWait(0);
    changeBesideTheList();
    QTRY_VERIFY2(!QFileInfo::exists(copy), "the copy was not merged after its wait");
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\ntea"));
    QVERIFY(QFileInfo(link).isSymLink());
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
    QTRY_COMPARE(f->child<QCalendarWidget>("Calendar")->dateTextFormat(day.addDays(1)).fontWeight(),
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
