// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "syncedfile.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTextEdit>

// The data folder is shared with other windows, sync tools and editors: what they
// change shows, and nothing they saved is written over.
class tst_SharedData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void twoWindowsKeepEachOthersItems();
    void listFollowsOutsideChanges();
    void ownAddReloadsNothing();
    void deleteAfterOutsideChangeRemovesTheChosenText();
    void noteFollowsOutsideChangesOnlyInViewMode();
    void saveOverAnOutsideChangeAsksFirst();
    void strayLatin1BytesSurviveASave_data();
    void strayLatin1BytesSurviveASave();

private:
    void click(const char *name) { f->child<QPushButton>(name)->click(); }
    void openOnDay();
    void waitForTheWatcher(const char *fileName);
    static bool replaceByRename(const QString &path, const QByteArray &content);

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

void tst_SharedData::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
}

void tst_SharedData::openOnDay()
{
    f->open();
    f->calendar()->setSelectedDate(day);
}

// Waits until the window has heard of the last change on disk.
void tst_SharedData::waitForTheWatcher(const char *fileName)
{
    QSignalSpy changed(f->child<SyncedFile>(fileName), &SyncedFile::changedOnDisk);
    QVERIFY2(changed.wait(5000), "no change was noticed on disk");
}

// As sync tools and most editors save.
bool tst_SharedData::replaceByRename(const QString &path, const QByteArray &content)
{
    return writeFile(path + ".part", content) && ::rename(qPrintable(path + ".part"), qPrintable(path)) == 0;
}

void tst_SharedData::twoWindowsKeepEachOthersItems()
{
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk"));
    f->open();
    MainWindow other;
    other.show();

    addGroceryItem(f->window.get(), "apple");
    addGroceryItem(&other, "bread");
    const QStringList all = {"eggs", "milk", "apple", "bread"};
    QCOMPARE(readFile(f->listPath()), all.join('\n').toUtf8());
    QCOMPARE(groceryEntries(&other), all);
    QTRY_COMPARE(groceryEntries(f->window.get()), all);

    addGroceryItem(f->window.get(), "jam");
    answerNextDialog<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::No)->click(); });
    other.findChild<QPushButton *>("ClearListButton")->click();
    QCOMPARE(readFile(f->listPath()), (all + QStringList{"jam"}).join('\n').toUtf8());
}

void tst_SharedData::listFollowsOutsideChanges()
{
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk"));
    f->open();
    f->list()->setCurrentRow(1);

    QVERIFY(replaceByRename(f->listPath(), "tea\neggs\nmilk"));
    QTRY_COMPARE(groceryEntries(f->window.get()), (QStringList{"tea", "eggs", "milk"}));
    QCOMPARE(f->list()->currentItem()->text(), QString("milk"));

    QVERIFY(writeFile(f->listPath(), "tea\nmilk\nrice"));
    QTRY_COMPARE(groceryEntries(f->window.get()), (QStringList{"tea", "milk", "rice"}));
    QCOMPARE(f->list()->currentItem()->text(), QString("milk"));

    QVERIFY(QFile::remove(f->listPath()));
    QTRY_COMPARE(groceryEntries(f->window.get()), QStringList());
}

void tst_SharedData::ownAddReloadsNothing()
{
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk\nrice"));
    f->open();
    f->list()->setCurrentRow(1);
    QListWidgetItem *current = f->list()->currentItem();

    addGroceryItem(f->window.get(), "bread");
    waitForTheWatcher("GroceryListFile");
    QCOMPARE(f->list()->currentItem(), current);
    QCOMPARE(f->list()->item(0)->text(), QString("eggs"));
}

// Delete is pressed before the window has heard of the change.
void tst_SharedData::deleteAfterOutsideChangeRemovesTheChosenText()
{
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk\nbread"));
    f->open();
    f->list()->setCurrentRow(1);

    QVERIFY(writeFile(f->listPath(), "tea\neggs\nmilk\nbread"));
    click("DeleteItemButton");
    QCOMPARE(readFile(f->listPath()), QByteArray("tea\neggs\nbread"));
    QCOMPARE(groceryEntries(f->window.get()), (QStringList{"tea", "eggs", "bread"}));

    f->list()->setCurrentRow(1);
    QVERIFY(writeFile(f->listPath(), "tea\nbread"));
    click("DeleteItemButton");
    QCOMPARE(readFile(f->listPath()), QByteArray("tea\nbread"));

    f->list()->setCurrentRow(0);
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk\nrice\noats\ntea"));
    click("DeleteItemButton");
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\nrice\noats"));
}

void tst_SharedData::noteFollowsOutsideChangesOnlyInViewMode()
{
    QVERIFY(writeFile(f->notePath(day), "soup"));
    openOnDay();

    QVERIFY(replaceByRename(f->notePath(day), "stew"));
    QTRY_COMPARE(f->box()->toPlainText(), QString("stew"));
    QVERIFY(writeFile(f->notePath(day), "stew and bread"));
    QTRY_COMPARE(f->box()->toPlainText(), QString("stew and bread"));

    click("EditButton");
    QVERIFY(writeFile(f->notePath(day), "pie"));
    waitForTheWatcher("MealNoteFile");
    QCOMPARE(f->box()->toPlainText(), QString("stew and bread"));
}

void tst_SharedData::saveOverAnOutsideChangeAsksFirst()
{
    QVERIFY(writeFile(f->notePath(day), "soup"));
    openOnDay();
    click("EditButton");
    f->box()->setPlainText("curry");
    QVERIFY(replaceByRename(f->notePath(day), "pie"));

    ShownMessage question;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        question = {box->windowTitle(), box->text(), box->parentWidget()};
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    click("SaveButton");
    QCOMPARE(question.title, QString("Note Changed"));
    QCOMPARE(question.text, "The meal note for " + day.toString(Qt::TextDate)
                                    + " was changed by another program since you began editing. "
                                      "Replace it with your text?");
    QCOMPARE(question.parent, f->window.get());
    QCOMPARE(readFile(f->notePath(day)), QByteArray("pie"));
    QVERIFY(!f->box()->isReadOnly());
    QCOMPARE(f->box()->toPlainText(), QString("curry"));

    question = {};
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        question.title = box->windowTitle();
        box->button(QMessageBox::Yes)->click();
    });
    click("SaveButton");
    QCOMPARE(question.title, QString("Note Changed"));
    QCOMPARE(readFile(f->notePath(day)), QByteArray("curry"));
    QVERIFY(f->box()->isReadOnly());
}

static QByteArray utf16(const QString &text, QSysInfo::Endian order)
{
    QByteArray bytes;
    for (const QChar unit : QChar(QChar::ByteOrderMark) + text) {
        const char high = char(unit.unicode() >> 8);
        const char low = char(unit.unicode() & 0xFF);
        if (order == QSysInfo::BigEndian)
            bytes.append(high).append(low);
        else
            bytes.append(low).append(high);
    }
    return bytes;
}

void tst_SharedData::strayLatin1BytesSurviveASave_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text");

    QTest::newRow("latin-1") << QByteArray("cr\xE8me fra\xEE" "che\njalape\xF1o")
                             << QString::fromUtf8("crème fraîche\njalapeño");
    QTest::newRow("utf-8 and latin-1 mixed") << QByteArray("K\xC3\xA4se\ncr\xE8me")
                                             << QString::fromUtf8("Käse\ncrème");
    QTest::newRow("windows-1252 signs") << QByteArray("\x80 3, \x93tea\x94, caf\xC3")
                                        << QString::fromUtf8("€ 3, “tea”, cafÃ");
    QTest::newRow("latin-1 byte at the very end") << QByteArray("milk\ncaf\xE9")
                                                  << QString::fromUtf8("milk\ncafé");
    const QString marked = QString::fromUtf8("crème\nœufs €");
    QTest::newRow("utf-8 with a mark") << QByteArray("\xEF\xBB\xBF") + marked.toUtf8() << marked;
    // As Windows Notepad saves "Unicode": the mark first.
    QTest::newRow("UTF-16LE") << utf16(marked, QSysInfo::LittleEndian) << marked;
    QTest::newRow("UTF-16BE") << utf16(marked, QSysInfo::BigEndian) << marked;
    QTest::newRow("overlong and surrogate forms") << QByteArray("\xC0\xAF \xED\xB2\x80")
                                                  << QString::fromUtf8("À¯ í²€");
}

// The list and the note are read alike; both are saved back in the locale's encoding.
void tst_SharedData::strayLatin1BytesSurviveASave()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text);

    QVERIFY(writeFile(f->listPath(), file));
    QVERIFY(writeFile(f->notePath(day), file));
    openOnDay();
    QCOMPARE(f->box()->toPlainText(), text);
    QCOMPARE(groceryEntries(f->window.get()), text.split('\n'));

    click("EditButton");
    click("SaveButton");
    f->list()->setCurrentRow(-1);
    click("DeleteItemButton");
    QCOMPARE(readFile(f->notePath(day)), text.toUtf8());
    QCOMPARE(readFile(f->listPath()), text.toUtf8());
}

QTEST_MAIN(tst_SharedData)
#include "tst_shareddata.moc"
