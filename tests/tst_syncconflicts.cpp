#include "testsupport.h"

#include "conflictmerger.h"

#include <QCalendarWidget>
#include <QTextEdit>

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
    void anotherMachinesCopyWaitsItsTurn();
    void linkNamedLikeACopyIsLeftAlone();
    void twoProcessesAddingAtOnceLoseNothing();
    void burstOfArrivingNotesIsHandledAFewTimes();
    void filesSyncedIntoAFreshHomeShow();

private:
    QString listPath() const { return f->home.dataPath("list.txt"); }
    QString notePath() const { return f->home.notePath(day.toString(Qt::TextDate) + ".txt"); }
    QTextEdit *box() const { return f->child<QTextEdit>("TextBox"); }
    void openOnDay();

    const QDate day = QDate::currentDate();
    std::unique_ptr<WindowFixture> f;
};

void tst_SyncConflicts::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
    QVERIFY(writeFile(listPath(), "eggs\nmilk"));
    QVERIFY(QDir().mkpath(f->home.notePath("")));
}

void tst_SyncConflicts::cleanup()
{
    f.reset();
    ConflictMerger::setForeignCopyWait(10 * 60 * 1000);
}

void tst_SyncConflicts::openOnDay()
{
    f->open();
    f->child<QCalendarWidget>("Calendar")->setSelectedDate(day);
}

// As Syncthing does it: ours is set aside under the copy's name, then theirs is
// renamed into place.
static bool setAsideForTheirs(const QString &path, const QString &copyName, const QByteArray &theirs)
{
    const QString copy = QFileInfo(path).path() + '/' + copyName;
    return ::rename(qPrintable(path), qPrintable(copy)) == 0 && writeFile(path + ".part", theirs)
           && ::rename(qPrintable(path + ".part"), qPrintable(path)) == 0;
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

    openOnDay();
    MessageLog dialogs;
    dialogs.typed = "bread";
    QString path;
    QString copyName;
    QByteArray merged;
    if (note) {
        path = notePath();
        copyName = day.toString(Qt::TextDate) + ".sync-conflict-20261207-093353-BCFD7CS.txt";
        merged = "curry\nsoup\nbread";
        f->child<QPushButton>("EditButton")->click();
        box()->setPlainText("soup\nbread");
        f->child<QPushButton>("SaveButton")->click();
    } else {
        path = listPath();
        copyName = "list.sync-conflict-20261207-093353-BCFD7CS.txt";
        merged = "eggs\nmilk\nrice\nbread";
        f->child<QPushButton>("AddItemButton")->click();
    }
    if (restart)
        f->window.reset();
    QVERIFY(setAsideForTheirs(path, copyName, note ? "curry" : "eggs\nmilk\nrice"));
    if (restart)
        openOnDay();

    const QString copy = QFileInfo(path).path() + '/' + copyName;
    QTRY_VERIFY2(!QFileInfo::exists(copy), "the copy was not merged");
    QCOMPARE(readFile(path), merged);
    if (note)
        QTRY_COMPARE(box()->toPlainText().toUtf8(), merged);
    else
        QTRY_COMPARE(groceryEntries(f->window.get()).join('\n').toUtf8(), merged);
}

void tst_SyncConflicts::anotherMachinesCopyWaitsItsTurn()
{
    ConflictMerger::setForeignCopyWait(60 * 60 * 1000);
    openOnDay();
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    const QString copy = f->home.dataPath("list (conflicted copy 2026-12-07 093353).txt");
    QVERIFY(writeFile(copy, "tea\nmilk"));
    QVERIFY(changed.wait(5000));
    QVERIFY(QFileInfo::exists(copy));
    QCOMPARE(readFile(listPath()), QByteArray("eggs\nmilk"));

    ConflictMerger::setForeignCopyWait(0);
    QVERIFY(writeFile(f->home.dataPath("other.txt"), "x"));
    QTRY_VERIFY2(!QFileInfo::exists(copy), "the copy was not merged after its wait");
    QCOMPARE(readFile(listPath()), QByteArray("eggs\nmilk\ntea"));
}

void tst_SyncConflicts::linkNamedLikeACopyIsLeftAlone()
{
    ConflictMerger::setForeignCopyWait(0);
    QVERIFY(writeFile(f->home.path("secret.key"), "private key"));
    const QString link = f->home.dataPath("list.sync-conflict-20261207-093353-BCFD7CS.txt");
    QVERIFY(QFile::link(f->home.path("secret.key"), link));
    openOnDay();
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->home.dataPath("other.txt"), "x"));
    QVERIFY(changed.wait(5000));

    QCOMPARE(readFile(listPath()), QByteArray("eggs\nmilk"));
    QVERIFY(QFileInfo(link).isSymLink());
}

void tst_SyncConflicts::twoProcessesAddingAtOnceLoseNothing()
{
    const int count = 150;
    QVERIFY(writeFile(listPath(), ""));
    QProcess first, second;
    first.start(LISTWRITER, {listPath(), "a", QString::number(count)});
    second.start(LISTWRITER, {listPath(), "b", QString::number(count)});
    QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
    QCOMPARE(first.exitCode() + second.exitCode(), 0);

    QStringList items = QString::fromUtf8(readFile(listPath())).split('\n');
    QCOMPARE(items.size(), 2 * count);
    items.removeDuplicates();
    QCOMPARE(items.size(), 2 * count);
}

// While a sync tool brings many notes, the window looks at the folder at most twice
// a second, and once more when it settles.
void tst_SyncConflicts::burstOfArrivingNotesIsHandledAFewTimes()
{
    openOnDay();
    QSignalSpy handled(f->child<QObject>("MealNoteFile"), SIGNAL(changedOnDisk()));
    const QDate first = day.addDays(-500);
    QElapsedTimer burst;
    burst.start();
    for (int i = 0; i < 1000; ++i) {
        QVERIFY(writeFile(f->home.notePath(first.addDays(i).toString(Qt::TextDate) + ".txt"), "stew"));
        if (i % 5 == 0)
            QCoreApplication::processEvents();
    }
    const qint64 burstMs = burst.elapsed();
    auto *calendar = f->child<QCalendarWidget>("Calendar");
    QTRY_COMPARE(calendar->dateTextFormat(day.addDays(1)).fontWeight(), int(QFont::Bold));
    QTest::qWait(600);
    QVERIFY2(handled.count() <= burstMs / 500 + 3,
             qPrintable(QString("%1 handlings for a burst of %2 ms").arg(handled.count()).arg(burstMs)));
}

void tst_SyncConflicts::filesSyncedIntoAFreshHomeShow()
{
    QVERIFY(QDir(f->home.path("Documents")).removeRecursively());
    openOnDay();
    QProcess sync;
    sync.start("sh", {"-c", "mkdir -p \"$1\" && printf 'tea\\nrice' > \"$2\" && printf soup > \"$3\"",
                      "sh", f->home.notePath(""), listPath(), notePath()});
    QVERIFY(sync.waitForFinished(10000));
    QTRY_COMPARE(groceryEntries(f->window.get()), (QStringList{"tea", "rice"}));
    QTRY_COMPARE(box()->toPlainText(), QString("soup"));
}

QTEST_MAIN(tst_SyncConflicts)
#include "tst_syncconflicts.moc"
