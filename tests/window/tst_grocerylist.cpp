// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "folderlock.h"

#include <QPushButton>

class tst_GroceryList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void startupLoadsNonBlankLinesAsTheyStand_data();
    void startupLoadsNonBlankLinesAsTheyStand();
    void everyCommandRewritesTheTrimmedList_data();
    void everyCommandRewritesTheTrimmedList();
    void addItemAppendsWhatWasAccepted_data();
    void addItemAppendsWhatWasAccepted();
    void pastedLinesComeBackTheSameAfterRestart();
    void deleteRemovesCurrentRowEvenWhenNotHighlighted_data();
    void deleteRemovesCurrentRowEvenWhenNotHighlighted();
    void clearListEmptiesOnlyWhenConfirmed_data();
    void clearListEmptiesOnlyWhenConfirmed();
    void removeTickedAsksOnlyForSeveral_data();
    void removeTickedAsksOnlyForSeveral();
    void addingOnAFreshHomeCreatesTheFolders();
    void failedWriteWarnsAndKeepsTheOldFile_data();
    void failedWriteWarnsAndKeepsTheOldFile();
    void longLockIsToldOnceAndTheListWrittenAfter();

private:
    void openWindowOn(const QByteArray &listFile);
    void addItem(const QString &typed, bool accept) { addGroceryItem(f->window.get(), typed, accept); }
    QStringList entries() const { return groceryEntries(f->window.get()); }
    void click(const char *name) { QTest::mouseClick(f->child<QPushButton>(name), Qt::LeftButton); }

    std::unique_ptr<WindowFixture> f;
};

void tst_GroceryList::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
}

void tst_GroceryList::openWindowOn(const QByteArray &listFile)
{
    QVERIFY(writeFile(f->listPath(), listFile));
    f->open();
}

void tst_GroceryList::startupLoadsNonBlankLinesAsTheyStand_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("blank lines skipped") << QByteArray("eggs\n\n   \nmilk") << QStringList{"eggs", "milk"};
    QTest::newRow("spaces kept") << QByteArray("  eggs \n big  bag of rice \nmilk\t")
                                 << QStringList{"  eggs ", " big  bag of rice ", "milk\t"};
    QTest::newRow("duplicates kept") << QByteArray("eggs\neggs") << QStringList{"eggs", "eggs"};
    QTest::newRow("windows line ends") << QByteArray("eggs\r\nmilk\r\n") << QStringList{"eggs", "milk"};
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

void tst_GroceryList::startupLoadsNonBlankLinesAsTheyStand()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, expected);

    openWindowOn(file);
    QCOMPARE(entries(), expected);
    QCOMPARE(readFile(f->listPath()), file);
}

void tst_GroceryList::everyCommandRewritesTheTrimmedList_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("rewritten");

    QTest::newRow("outer spaces of first and last lost")
            << QByteArray("  eggs \n rice \n  milk  \n") << QByteArray("eggs \n rice \n  milk");
    QTest::newRow("blank lines dropped") << QByteArray("\neggs\n\n\nmilk\n\n") << QByteArray("eggs\nmilk");
    QTest::newRow("empty list") << QByteArray("\n  \n") << QByteArray();
}

// Delete Item with no current row changes nothing but still writes the list.
void tst_GroceryList::everyCommandRewritesTheTrimmedList()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, rewritten);

    openWindowOn(file);
    f->list()->setCurrentRow(-1);
    const QStringList before = entries();
    click("DeleteItemButton");
    QCOMPARE(entries(), before);
    QCOMPARE(readFile(f->listPath()), rewritten);
}

void tst_GroceryList::addItemAppendsWhatWasAccepted_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("name") << "bread" << true << QStringList{"bread"} << QByteArray("eggs\nbread");
    QTest::newRow("duplicate") << "eggs" << true << QStringList{"eggs"} << QByteArray("eggs\neggs");
    QTest::newRow("surrounding spaces kept") << "  jam  " << true << QStringList{"  jam  "}
                                             << QByteArray("eggs\n  jam");
    QTest::newRow("blank adds nothing") << "  " << true << QStringList() << QByteArray("eggs");
    QTest::newRow("cancel adds nothing") << "bread" << false << QStringList() << QByteArray("eggs");
    QTest::newRow("pasted lines each added") << "bread\nbutter\r\n\r\n  jam\rtea\n" << true
                                             << QStringList{"bread", "butter", "  jam", "tea"}
                                             << QByteArray("eggs\nbread\nbutter\n  jam\ntea");
}

void tst_GroceryList::addItemAppendsWhatWasAccepted()
{
    QFETCH(QString, typed);
    QFETCH(bool, accept);
    QFETCH(QStringList, added);
    QFETCH(QByteArray, file);

    openWindowOn("\neggs\n\n");
    addItem(typed, accept);
    QCOMPARE(entries(), QStringList{"eggs"} + added);
    QCOMPARE(readFile(f->listPath()), file);
}

void tst_GroceryList::pastedLinesComeBackTheSameAfterRestart()
{
    openWindowOn("eggs");
    addItem("flour\n sugar \n\n", true);
    const QStringList shown = entries();
    QCOMPARE(shown, (QStringList{"eggs", "flour", " sugar "}));

    addItem("salt", true); // keeps " sugar " away from the end, where trimming would take its space
    f->open();
    QCOMPARE(entries(), shown + QStringList{"salt"});
}

void tst_GroceryList::deleteRemovesCurrentRowEvenWhenNotHighlighted_data()
{
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<bool>("highlighted");
    QTest::addColumn<QStringList>("left");

    const QStringList all = {"eggs", "milk", "bread"};
    QTest::newRow("highlighted middle row") << 1 << true << QStringList{"eggs", "bread"};
    QTest::newRow("current but not highlighted") << 1 << false << QStringList{"eggs", "bread"};
    QTest::newRow("last row") << 2 << true << QStringList{"eggs", "milk"};
    QTest::newRow("no current row") << -1 << false << all;
}

void tst_GroceryList::deleteRemovesCurrentRowEvenWhenNotHighlighted()
{
    QFETCH(int, currentRow);
    QFETCH(bool, highlighted);
    QFETCH(QStringList, left);

    openWindowOn("eggs\nmilk\nbread");
    f->list()->setCurrentRow(currentRow);
    if (!highlighted)
        f->list()->clearSelection();
    QCOMPARE(f->list()->selectedItems().isEmpty(), !highlighted);

    click("DeleteItemButton");
    QCOMPARE(entries(), left);
    QCOMPARE(readFile(f->listPath()), left.join('\n').toUtf8());
}

void tst_GroceryList::clearListEmptiesOnlyWhenConfirmed_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("yes") << "yes" << QStringList();
    QTest::newRow("no") << "no" << QStringList{"eggs", "milk"};
    QTest::newRow("escape") << "escape" << QStringList{"eggs", "milk"};
    QTest::newRow("closed") << "close" << QStringList{"eggs", "milk"};
}

void tst_GroceryList::clearListEmptiesOnlyWhenConfirmed()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, left);

    openWindowOn("eggs\nmilk\n");
    bool asked = false;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        asked = true;
        QCOMPARE(box->windowTitle(), QString("Clear List"));
        QCOMPARE(box->text(), QString("Are you sure you want to clear the list?"));
        QCOMPARE(box->parentWidget(), f->window.get());
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box->defaultButton(), nullptr);
        if (answer == "yes")
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        else if (answer == "no")
            QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
        else if (answer == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
    });
    click("ClearListButton");

    QVERIFY2(asked, "Clear List asked nothing");
    QCOMPARE(entries(), left);
    QCOMPARE(readFile(f->listPath()), left.join('\n').toUtf8());
}

void tst_GroceryList::removeTickedAsksOnlyForSeveral_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("removed");
    QTest::addColumn<bool>("asked");

    QTest::newRow("one ticked") << QByteArray("eggs\nx milk\ntea") << int(QMessageBox::NoButton)
                                << QByteArray("eggs\ntea") << false;
    QTest::newRow("two ticked, confirmed") << QByteArray("x eggs\nmilk\nx tea") << int(QMessageBox::Yes)
                                           << QByteArray("milk") << true;
    QTest::newRow("two ticked, declined") << QByteArray("x eggs\nmilk\nx tea") << int(QMessageBox::No)
                                          << QByteArray("x eggs\nmilk\nx tea") << true;
    QTest::newRow("none ticked") << QByteArray("eggs\n x large eggs") << int(QMessageBox::NoButton)
                                 << QByteArray("eggs\n x large eggs") << false;
}

// From the keyboard, and taken back with Ctrl+Z.
void tst_GroceryList::removeTickedAsksOnlyForSeveral()
{
    QFETCH(QByteArray, file);
    QFETCH(int, answer);
    QFETCH(QByteArray, removed);
    QFETCH(bool, asked);

    openWindowOn(file);
    f->window->activateWindow();
    f->list()->setFocus();
    QTRY_VERIFY(f->list()->hasFocus());
    MessageLog dialogs;
    dialogs.answer = QMessageBox::StandardButton(answer);
    QTest::keySequence(f->list(), QKeySequence("Ctrl+Del"));
    QCOMPARE(dialogs.titles, asked ? QStringList{"Remove Ticked"} : QStringList());
    QCOMPARE(readFile(f->listPath()), removed);
    f->window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), f->window.get());
    QTest::keySequence(f->list(), QKeySequence::Undo);
    QCOMPARE(readFile(f->listPath()), file);
    QCOMPARE(entries().join('\n').toUtf8(), file);
}

void tst_GroceryList::addingOnAFreshHomeCreatesTheFolders()
{
    f->open();
    QCOMPARE(f->home.entries(), QStringList());
    addItem("bread", true);
    QCOMPARE(readFile(f->listPath()), QByteArray("bread"));
}

void tst_GroceryList::failedWriteWarnsAndKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("folderInTheWay");
    QTest::addColumn<int>("bytesShort");

    QTest::newRow("folder named list.txt") << true << 0;
    QTest::newRow("disk full") << false << 1000;
    QTest::newRow("last byte refused") << false << 1;
}

void tst_GroceryList::failedWriteWarnsAndKeepsTheOldFile()
{
    QFETCH(bool, folderInTheWay);
    QFETCH(int, bytesShort);

    QByteArray oldFile;
    if (folderInTheWay) {
        QVERIFY(QDir().mkpath(f->listPath()));
        ShownMessage told;
        dismissNextMessage(&told);
        f->open();
        QTRY_COMPARE(told.title, QString("Read Failed"));
    } else {
        for (int i = 0; i < 200; ++i)
            oldFile += "item " + QByteArray::number(i) + '\n';
        openWindowOn(oldFile);
    }
    const QStringList before = entries();
    const QByteArray newFile = (before + QStringList{"bread"}).join('\n').toUtf8();

    ShownMessage warning;
    dismissNextMessage(&warning);
    {
        FileSizeLimit limit(folderInTheWay ? RLIM_INFINITY : newFile.size() - bytesShort);
        addItem("bread", true);
    }

    verifyFailedSave(warning, f->window.get(), "grocery list", f->listPath(), oldFile);
    QCOMPARE(entries(), before + QStringList{"bread"});
}

// Another window keeps the folder locked for longer than the window waits before it
// tells: one warning, however long the lock is kept, and the list written once free.
void tst_GroceryList::longLockIsToldOnceAndTheListWrittenAfter()
{
    openWindowOn("eggs");
    {
        const FolderLock held(f->home.dataPath(QString()));
        QVERIFY(held.isHeld());
        addItem("milk", true);
        MessageLog log;
        QTest::qWait(7000);
        QCOMPARE(log.titles, QStringList {"Save Failed"});
        QCOMPARE(readFile(f->listPath()), QByteArray("eggs"));
    }
    QTRY_COMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk"));
}

QTEST_MAIN(tst_GroceryList)
#include "tst_grocerylist.moc"
