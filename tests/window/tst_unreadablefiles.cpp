// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <sys/stat.h>

// A file or folder that cannot be read whole is shown as empty, the user is told
// once, and nothing is written over it.
class tst_UnreadableFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void unreadableIsToldOnceAndNeverWritten_data();
    void unreadableIsToldOnceAndNeverWritten();
    void saveIntoReadOnlyFolderGivesTheRealReason();

private:
    void saveNote(const QString &text);

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

void tst_UnreadableFiles::init()
{
    f.reset(new WindowFixture);
    QVERIFY(QDir().mkpath(f->home.notePath("")));
}

void tst_UnreadableFiles::saveNote(const QString &text)
{
    f->click("EditButton");
    f->box()->setPlainText(text);
    f->click("SaveButton");
}

// Shapes root cannot read either, but for "denied", which the test runs as nobody.
static void makeUnreadable(const QString &path, const QString &shape)
{
    const QByteArray name = QFile::encodeName(path);
    if (shape == "pipe") {
        QCOMPARE(::mkfifo(name, 0600), 0);
    } else if (shape == "huge") {
        QVERIFY(writeFile(path, "milk") && QFile::resize(path, 65 * 1024 * 1024));
    } else if (shape == "loop") {
        QVERIFY(QDir(path).removeRecursively());
        QCOMPARE(::symlink(name, name), 0);
    } else {
        QVERIFY(QFileInfo(path).isDir() || writeFile(path, "milk"));
        QCOMPARE(::chmod(name, QFileInfo(path).isDir() ? 0300 : 0200), 0);
    }
}

// What a write would change: the entry itself, its content, or what its folder holds.
static QString fingerprint(const QString &path)
{
    struct stat status = {};
    ::lstat(QFile::encodeName(path), &status);
    return QString("%1 %2 %3 %4.%5").arg(status.st_ino).arg(status.st_mode).arg(status.st_size)
            .arg(status.st_mtim.tv_sec).arg(status.st_mtim.tv_nsec);
}

void tst_UnreadableFiles::unreadableIsToldOnceAndNeverWritten_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("reason");

    const QString note = "saved_meals/" + day.toString(Qt::TextDate) + ".txt";
    const QString loop = "Too many levels of symbolic links";
    QTest::newRow("named pipe at the list") << "list.txt" << "pipe" << "Not a regular file";
    QTest::newRow("list over 64 MiB") << "list.txt" << "huge" << "File too large";
    QTest::newRow("list in a symlink loop") << "list.txt" << "loop" << loop;
    QTest::newRow("list without permission") << "list.txt" << "denied" << "Permission denied";
    QTest::newRow("note over 64 MiB") << note << "huge" << "File too large";
    QTest::newRow("note without permission") << note << "denied" << "Permission denied";
    QTest::newRow("notes folder in a symlink loop") << "saved_meals" << "loop" << loop;
    QTest::newRow("notes folder that cannot be listed") << "saved_meals" << "denied" << "Permission denied";
}

void tst_UnreadableFiles::unreadableIsToldOnceAndNeverWritten()
{
    QFETCH(QString, target);
    QFETCH(QString, shape);
    QFETCH(QString, reason);
    if (shape == "denied" && ::geteuid() == 0)
        return rerunAsAnotherUser();

    const QString path = f->home.dataPath(target);
    makeUnreadable(path, shape);
    const QString before = fingerprint(path);
    MessageLog messages;
    f->openOn(day);
    QTRY_COMPARE(messages.titles, QStringList{"Read Failed"});
    QCOMPARE(messages.texts.first(), briefPath(path) + " could not be read: " + reason
                                             + ". Ladlewise will not write to it until it can be read.");

    // Neither a new pick nor a change beside the file tells it again.
    auto *calendar = f->calendar();
    calendar->setSelectedDate(day.addDays(1));
    calendar->setSelectedDate(day);
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->home.dataPath("other.txt"), "x"));
    QVERIFY(changed.wait(5000));
    QCoreApplication::processEvents();

    QCOMPARE(f->box()->toPlainText() + groceryEntries(f->window.get()).join(','), QString());
    messages.typed = "bread";
    if (target == "list.txt")
        f->click("AddItemButton");
    else
        saveNote("soup");
    QCOMPARE(messages.titles, (QStringList{"Read Failed", "Save Failed"}));
    QCOMPARE(messages.descriptions, messages.texts);
    QVERIFY2(messages.texts.last().endsWith(": " + reason), qPrintable(messages.texts.last()));
    QCOMPARE(fingerprint(path), before);
}

void tst_UnreadableFiles::saveIntoReadOnlyFolderGivesTheRealReason()
{
    if (::geteuid() == 0)
        return rerunAsAnotherUser();
    const QByteArray data = QFile::encodeName(f->home.dataPath(""));
    QVERIFY(QDir(f->home.notePath("")).removeRecursively());
    QCOMPARE(::chmod(data, 0500), 0);
    MessageLog messages;
    f->open();
    saveNote("soup");
    QCOMPARE(::chmod(data, 0700), 0);
    QCOMPARE(messages.titles, QStringList{"Save Failed"});
    QVERIFY2(messages.texts.first().endsWith(": Permission denied"), qPrintable(messages.texts.first()));
}

QTEST_MAIN(tst_UnreadableFiles)
#include "tst_unreadablefiles.moc"
