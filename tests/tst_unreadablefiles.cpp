#include "testsupport.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTextEdit>

#include <sys/stat.h>

// A file or folder that cannot be read whole is shown as empty, the user is told
// once, and nothing is written over it.
class tst_UnreadableFiles : public QObject
{
    Q_OBJECT

public:
    enum Shape { NamedPipe, OverTheLimit, SymlinkLoop, NoPermission };
    Q_ENUM(Shape)

private slots:
    void init();
    void cleanup() { f.reset(); }

    void unreadableIsToldOnceAndNeverWritten_data();
    void unreadableIsToldOnceAndNeverWritten();
    void lookAlikeNoteIsNotReplacedUnasked();
    void saveIntoReadOnlyFolderGivesTheRealReason();

private:
    QString notePath() const { return f->home.notePath(day.toString(Qt::TextDate) + ".txt"); }
    void pick(const QDate &date) { f->child<QCalendarWidget>("Calendar")->setSelectedDate(date); }
    void click(const char *name) { f->child<QPushButton>(name)->click(); }
    void saveNote(const QString &text);

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

void tst_UnreadableFiles::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
    QVERIFY(QDir().mkpath(f->home.notePath("")));
}

void tst_UnreadableFiles::saveNote(const QString &text)
{
    click("EditButton");
    f->child<QTextEdit>("TextBox")->setPlainText(text);
    click("SaveButton");
}

static void makeUnreadable(const QString &path, tst_UnreadableFiles::Shape shape)
{
    const QByteArray name = QFile::encodeName(path);
    switch (shape) {
    case tst_UnreadableFiles::NamedPipe:
        QCOMPARE(::mkfifo(name, 0600), 0);
        break;
    case tst_UnreadableFiles::OverTheLimit:
        QVERIFY(writeFile(path, "milk"));
        QVERIFY(QFile::resize(path, 65 * 1024 * 1024));
        break;
    case tst_UnreadableFiles::SymlinkLoop:
        QVERIFY(QDir(path).removeRecursively());
        QCOMPARE(::symlink(name, name), 0);
        break;
    case tst_UnreadableFiles::NoPermission:
        if (!QFileInfo(path).isDir())
            QVERIFY(writeFile(path, "milk"));
        QCOMPARE(::chmod(name, QFileInfo(path).isDir() ? 0300 : 0200), 0);
        break;
    }
}

// What a write would change: the entry itself, its content, or what its folder holds.
static QString fingerprint(const QString &path)
{
    struct stat status = {};
    ::lstat(QFile::encodeName(path), &status);
    return QString("inode %1, mode %2, size %3, changed %4.%5")
            .arg(status.st_ino).arg(status.st_mode).arg(status.st_size)
            .arg(status.st_mtim.tv_sec).arg(status.st_mtim.tv_nsec);
}

void tst_UnreadableFiles::unreadableIsToldOnceAndNeverWritten_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<QString>("reason");

    const QString note = "saved_meals/" + day.toString(Qt::TextDate) + ".txt";
    QTest::newRow("named pipe at the list") << "list.txt" << NamedPipe << "Not a regular file";
    QTest::newRow("list over 64 MiB") << "list.txt" << OverTheLimit << "File too large";
    QTest::newRow("list in a symlink loop")
            << "list.txt" << SymlinkLoop << "Too many levels of symbolic links";
    QTest::newRow("list without permission") << "list.txt" << NoPermission << "Permission denied";
    QTest::newRow("note over 64 MiB") << note << OverTheLimit << "File too large";
    QTest::newRow("note without permission") << note << NoPermission << "Permission denied";
    QTest::newRow("notes folder in a symlink loop")
            << "saved_meals" << SymlinkLoop << "Too many levels of symbolic links";
    QTest::newRow("notes folder that cannot be listed")
            << "saved_meals" << NoPermission << "Permission denied";
}

void tst_UnreadableFiles::unreadableIsToldOnceAndNeverWritten()
{
    QFETCH(QString, target);
    QFETCH(Shape, shape);
    QFETCH(QString, reason);
    if (shape == NoPermission && ::geteuid() == 0)
        return rerunAsAnotherUser();

    const QString path = f->home.dataPath(target);
    makeUnreadable(path, shape);
    const QString before = fingerprint(path);
    MessageLog messages;
    f->open();
    pick(day);
    QTRY_COMPARE(messages.titles, QStringList{"Read Failed"});
    QCOMPARE(messages.texts.first(),
             QDir::toNativeSeparators(path) + " could not be read: " + reason
                     + ". Ladlewise will not write to it until it can be read.");

    // Neither a new pick nor a change beside the file tells it again.
    pick(day.addDays(1));
    pick(day);
    QSignalSpy changed(f->child<QObject>("GroceryListFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->home.dataPath("other.txt"), "x"));
    QVERIFY(changed.wait(5000));
    QCoreApplication::processEvents();
    QCOMPARE(messages.titles.size(), 1);

    if (target == "list.txt") {
        QCOMPARE(groceryEntries(f->window.get()), QStringList());
        messages.typed = "bread";
        click("AddItemButton");
    } else {
        QCOMPARE(f->child<QTextEdit>("TextBox")->toPlainText(), QString());
        saveNote("soup");
    }
    QCOMPARE(messages.titles, (QStringList{"Read Failed", "Save Failed"}));
    QVERIFY2(messages.texts.last().endsWith(": " + reason), qPrintable(messages.texts.last()));
    QCOMPARE(fingerprint(path), before);
}

void tst_UnreadableFiles::lookAlikeNoteIsNotReplacedUnasked()
{
    const QString lookAlike = notePath() + ".bak.txt";
    QVERIFY(writeFile(notePath(), "the plan nobody saw"));
    QVERIFY(writeFile(lookAlike, "the plan shown"));
    f->open();
    pick(day);
    QCOMPARE(f->child<QTextEdit>("TextBox")->toPlainText(), QString("the plan shown"));

    QString question;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        question = box->windowTitle() + ": " + box->text();
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::No)->click();
    });
    saveNote("soup");
    QCOMPARE(question, "Replace Note: The meal note for " + day.toString(Qt::TextDate)
                               + " is stored in " + QFileInfo(notePath()).fileName()
                               + ", which holds other text than the one shown. Replace it with your text?");
    QCOMPARE(readFile(notePath()), QByteArray("the plan nobody saw"));
    QVERIFY(!f->child<QTextEdit>("TextBox")->isReadOnly());
    QCOMPARE(f->child<QTextEdit>("TextBox")->toPlainText(), QString("soup"));
}

void tst_UnreadableFiles::saveIntoReadOnlyFolderGivesTheRealReason()
{
    if (::geteuid() == 0)
        return rerunAsAnotherUser();
    const QString data = f->home.dataPath("");
    QVERIFY(QDir(f->home.notePath("")).removeRecursively());
    QCOMPARE(::chmod(QFile::encodeName(data), 0500), 0);
    MessageLog messages;
    f->open();
    saveNote("soup");
    QCOMPARE(messages.titles, QStringList{"Save Failed"});
    QVERIFY2(messages.texts.first().endsWith(": Permission denied"), qPrintable(messages.texts.first()));
    QCOMPARE(::chmod(QFile::encodeName(data), 0700), 0);
}

QTEST_MAIN(tst_UnreadableFiles)
#include "tst_unreadablefiles.moc"
