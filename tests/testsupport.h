// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the window tests: a throw-away home folder, file access in
// bytes, and answering modal dialogs the way a user would.
#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include "filehelpers.h"
#include "groceryitems.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QAccessible>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

// Points HOME at a fresh temporary folder for as long as it lives, and the XDG
// folders under it too, so that nothing reaches the real home.
class TemporaryHome
{
public:
    TemporaryHome() : oldHome(qgetenv("HOME"))
    {
        qputenv("HOME", dir.path().toLocal8Bit());
        for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            qunsetenv(name);
    }
    ~TemporaryHome() { qputenv("HOME", oldHome); }

    bool isValid() const { return dir.isValid(); }
    QString path(const QString &relative) const { return dir.filePath(relative); }
    QString dataPath(const QString &relative) const
    {
        return path(QStringLiteral("Documents/ladlewise/data/") + relative);
    }
    QString notePath(const QString &name) const
    {
        return dataPath(QStringLiteral("saved_meals/") + name);
    }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private:
    QByteArray oldHome;
    QTemporaryDir dir;
};

// Makes every write past `bytes` fail with EFBIG, as a full disk would, while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved {};
    void (*previousHandler)(int) = nullptr;
};

// Waits for the next modal dialog of type Dialog and hands it to answer. Call it
// before the action that opens the dialog, since that action blocks until it closes.
template <typename Dialog>
void answerNextDialog(std::function<void(Dialog *)> answer)
{
    auto *poll = new QTimer;
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, answer] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        if (dialog)
            answer(dialog);
    });
    poll->start(10);
}

// Notes the message boxes shown while it lives and answers them with answer (or as
// Enter would); an Add Item dialog gets typed entered.
class MessageLog : public QObject
{
public:
    MessageLog() { qApp->installEventFilter(this); }
    QStringList titles;
    QStringList texts;
    // What a screen reader reads of each box where it finds no label.
    QStringList descriptions;
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    QString typed;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            titles << box->windowTitle();
            texts << box->text();
            descriptions << QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
            QAbstractButton *button = box->button(answer);
            if (button)
                QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
            else
                QMetaObject::invokeMethod(box, "accept", Qt::QueuedConnection);
        } else if (auto *dialog = qobject_cast<QInputDialog *>(watched)) {
            dialog->setTextValue(typed);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
        return false;
    }
};

// Root reads and writes anything, so a test of permissions runs its own function
// and data row again in a child process as the user nobody, from a copy of the test
// binary that nobody may run. Call it when running as root, then return.
inline void rerunAsAnotherUser()
{
    if (QProcess::execute("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "true"}) != 0)
        QSKIP("running as root, and setpriv cannot drop to another user here");
    QTemporaryDir binaryDir;
    const QString binary = binaryDir.filePath("test");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), binary));
    QVERIFY(QFile::setPermissions(binaryDir.path(), QFile::ReadOwner | QFile::WriteOwner
                                  | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("LSAN_OPTIONS");
    environment.insert("ASAN_OPTIONS", "detect_leaks=0");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", binary,
                            QString(QTest::currentTestFunction()) + ':' + QTest::currentDataTag()});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
             child.readAll().constData());
}

// The real window, opened and shown on a throw-away home folder.
struct WindowFixture
{
    void open()
    {
        window.reset(new MainWindow);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    // Opened as the active window, so that shortcuts work, on day.
    void openOn(const QDate &day)
    {
        open();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        calendar()->setSelectedDate(day);
    }
    template <typename Widget = QWidget>
    Widget *child(const char *name) const { return window->findChild<Widget *>(name); }
    void click(const char *name) const { child<QPushButton>(name)->click(); }
    QTextEdit *box() const { return child<QTextEdit>("TextBox"); }
    QListWidget *list() const { return child<QListWidget>("GroceryList"); }
    QCalendarWidget *calendar() const { return child<QCalendarWidget>("Calendar"); }
    QString notePath(const QDate &day) const { return home.notePath(day.toString(Qt::TextDate) + ".txt"); }
    QString listPath() const { return home.dataPath("list.txt"); }

    TemporaryHome home;
    std::unique_ptr<MainWindow> window;
};

// Answers Add Item as a user would: types or, for line breaks, pastes the text, then
// accepts or cancels.
inline void addGroceryItem(QWidget *window, const QString &typed, bool accept = true)
{
    bool answered = false;
    answerNextDialog<QInputDialog>([&](QInputDialog *dialog) {
        answered = true;
        QCOMPARE(dialog->windowTitle(), QString("Add Item"));
        QCOMPARE(dialog->labelText(), QString("Enter Item Name"));
        QCOMPARE(dialog->parentWidget(), nullptr);
        auto *edit = dialog->findChild<QLineEdit *>();
        if (typed.contains(QRegularExpression("[\r\n]"))) {
            QApplication::clipboard()->setText(typed);
            QTest::keySequence(edit, QKeySequence::Paste);
        } else {
            QTest::keyClicks(edit, typed);
        }
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
    });
    QTest::mouseClick(window->findChild<QWidget *>("AddItemButton"), Qt::LeftButton);
    QVERIFY2(answered, "Add Item showed no dialog");
}

// The list's entries as the file holds them: a ticked one as "x milk".
inline QStringList groceryEntries(const QWidget *window)
{
    const QListWidget *list = window->findChild<QListWidget *>("GroceryList");
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << groceryLineOf(list->item(row)->text(), list->item(row)->checkState() == Qt::Checked);
    return entries;
}

struct ShownMessage
{
    QString title;
    QString text;
    QWidget *parent = nullptr;
};

// Notes what the next message box says and dismisses it.
inline void dismissNextMessage(ShownMessage *shown)
{
    answerNextDialog<QMessageBox>([shown](QMessageBox *box) {
        *shown = {box->windowTitle(), box->text(), box->parentWidget()};
        box->accept();
    });
}

// As a warning names a file in the test's home folder: "list.txt in ~/Documents/…".
inline QString briefPath(const QString &path)
{
    const QFileInfo file(QDir::cleanPath(path));
    return file.fileName() + " in ~/" + QDir(QDir::homePath()).relativeFilePath(file.path());
}

// A failed save names the file and the reason, and leaves what stood at the path as
// it was: the old content, or (with an empty oldContent) the folder in the way, and
// no temporary file beside it.
inline void verifyFailedSave(const ShownMessage &warning, const QWidget *window, const QString &what,
                             const QString &path, const QByteArray &oldContent)
{
    QCOMPARE(warning.title, QString("Save Failed"));
    QCOMPARE(warning.parent, window);
    const QString expectedStart = "The " + what + " could not be saved to " + briefPath(path) + ": ";
    QVERIFY2(warning.text.startsWith(expectedStart) && warning.text.size() > expectedStart.size(),
             qPrintable(warning.text));
    const bool folderInTheWay = oldContent.isEmpty();
    if (folderInTheWay)
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(readFile(path), oldContent);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden).size(),
             folderInTheWay ? 0 : 1);
}

#endif // TESTSUPPORT_H
