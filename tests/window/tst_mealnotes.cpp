// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "folderlock.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTextEdit>

class tst_MealNotes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void startupShowsTodaysNote();
    void selectedDayShowsItsNote_data();
    void selectedDayShowsItsNote();
    void crlfNoteShowsOneBreakPerLineEnd();
    void savedNoteHoldsExactlyTheTypedText_data();
    void savedNoteHoldsExactlyTheTypedText();
    void storedNoteComesBackByteForByte_data();
    void storedNoteComesBackByteForByte();
    void pickingAnotherDayDropsTheEdit();
    void pickingAnotherDayDropsTheUndoHistory();
    void focusMovesToSaveThenToAddItem();
    void savingOnAFreshHomeCreatesTheFolders();
    void failedSaveWarnsAndKeepsTheEdit_data();
    void failedSaveWarnsAndKeepsTheEdit();
    void closingWhileEditingAsksNothingAndWritesNothing();

private:
    void openOn(const QDate &date);
    void typeNote(const QString &text);
    void click(const char *name) { QTest::mouseClick(f->child<QPushButton>(name), Qt::LeftButton); }
    void verifyMode(bool editing) const;

    const QDate day = QDate(2019, 9, 19);
    const QString dayText = day.toString(Qt::TextDate);
    std::unique_ptr<WindowFixture> f;
};

void tst_MealNotes::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
}

void tst_MealNotes::openOn(const QDate &date)
{
    f->open();
    f->calendar()->setSelectedDate(date);
}

void tst_MealNotes::typeNote(const QString &text)
{
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(f->box(), Qt::Key_Return);
        QTest::keyClicks(f->box(), lines.at(i));
    }
}

void tst_MealNotes::verifyMode(bool editing) const
{
    QVERIFY2(f->box()->isReadOnly() != editing, editing ? "the box refuses typing" : "the box takes typing");
    QCOMPARE(f->child("EditButton")->isEnabled(), !editing);
    QCOMPARE(f->child("SaveButton")->isEnabled(), editing);
}

void tst_MealNotes::startupShowsTodaysNote()
{
    QVERIFY(writeFile(f->notePath(QDate::currentDate()), "porridge"));
    f->open();
    QCOMPARE(f->box()->toPlainText(), QString("porridge"));
}

void tst_MealNotes::selectedDayShowsItsNote_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("shownFile");

    const QString d = dayText;
    QTest::newRow("exact name") << QStringList{d + ".txt"} << d + ".txt";
    QTest::newRow("second dot still matches") << QStringList{d + ".old.txt"} << d + ".old.txt";
    QTest::newRow("upper-case extension") << QStringList{d + ".TXT"} << d + ".TXT";
    QTest::newRow("file named .txt is never shown") << QStringList{".txt"} << "";
    QTest::newRow("name only starting like the date") << QStringList{d + "0.txt", d + " lunch.txt"} << "";
    QTest::newRow("date in other case") << QStringList{d.toLower() + ".txt"} << "";
    QTest::newRow("another day's note") << QStringList{"Fri Sep 20 2019.txt"} << "";
    QTest::newRow("not a text file") << QStringList{d + ".md"} << "";
    QTest::newRow("last match with case ignored wins") << QStringList{d + ".a.txt", d + ".B.txt"}
                                                       << d + ".B.txt";
    QTest::newRow("sub-folder named like a note") << QStringList{d + ".txt/"} << "";
}

void tst_MealNotes::selectedDayShowsItsNote()
{
    QFETCH(QStringList, files);
    QFETCH(QString, shownFile);

    for (const QString &name : files) {
        QVERIFY(name.endsWith('/') ? QDir().mkpath(f->home.notePath(name))
                                   : writeFile(f->home.notePath(name), "note in " + name.toUtf8()));
    }
    openOn(day);
    QCOMPARE(f->box()->toPlainText(), shownFile.isEmpty() ? QString() : "note in " + shownFile);
    verifyMode(false);
}

void tst_MealNotes::crlfNoteShowsOneBreakPerLineEnd()
{
    QVERIFY(writeFile(f->notePath(day), "eggs\r\ntoast\r\n"));
    openOn(day);
    QCOMPARE(f->box()->toPlainText(), QString("eggs\ntoast\n"));

    click("EditButton");
    click("SaveButton");
    QCOMPARE(readFile(f->notePath(day)), QByteArray("eggs\ntoast\n"));
}

void tst_MealNotes::savedNoteHoldsExactlyTheTypedText_data()
{
    QTest::addColumn<QString>("typed");

    QTest::newRow("one line") << "pasta";
    QTest::newRow("several lines") << "Breakfast: porridge\nLunch: soup\n\nDinner: curry";
    QTest::newRow("empty box") << "";
    QTest::newRow("markup in the first line") << "<b>pasta</b> & salad";
}

void tst_MealNotes::savedNoteHoldsExactlyTheTypedText()
{
    QFETCH(QString, typed);

    QVERIFY(QDir().mkpath(f->home.notePath("")));
    openOn(day);
    click("EditButton");
    verifyMode(true);
    typeNote(typed);
    click("SaveButton");

    QCOMPARE(readFile(f->notePath(day)), typed.toUtf8());
    verifyMode(false);
    QCOMPARE(f->box()->toPlainText(), typed);
}

void tst_MealNotes::storedNoteComesBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("markup in the first line") << QByteArray("<b>pasta</b> & salad\nbread");
    QTest::newRow("whole html page") << QByteArray("<html><body><p>soup</p></body></html>");
    QTest::newRow("trailing line break") << QByteArray("rice\n");
    QTest::newRow("tabs and spaces") << QByteArray("\t  beans  \n  ");
    QTest::newRow("beyond latin-1") << QByteArray("Crème brûlée, 餃子 🥟");
}

void tst_MealNotes::storedNoteComesBackByteForByte()
{
    QFETCH(QByteArray, content);

    QVERIFY(writeFile(f->notePath(day), content));
    openOn(day);
    QCOMPARE(f->box()->toPlainText(), QString::fromUtf8(content));

    click("EditButton");
    click("SaveButton");
    QCOMPARE(readFile(f->notePath(day)), content);
}

void tst_MealNotes::pickingAnotherDayDropsTheEdit()
{
    const QDate otherDay = day.addDays(1);
    QVERIFY(writeFile(f->notePath(day), "soup"));
    QVERIFY(writeFile(f->notePath(otherDay), "pie"));

    openOn(day);
    click("EditButton");
    typeNote(" and bread");
    f->calendar()->setSelectedDate(otherDay);

    QCOMPARE(f->box()->toPlainText(), QString("pie"));
    verifyMode(false);
    QCOMPARE(readFile(f->notePath(day)), QByteArray("soup"));
    QCOMPARE(readFile(f->notePath(otherDay)), QByteArray("pie"));
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Typing erased again leaves the box as empty as the next day's note; its undo must
// not bring the typing back on that day.
void tst_MealNotes::pickingAnotherDayDropsTheUndoHistory()
{
    openOn(day);
    click("EditButton");
    typeNote("abc");
    QTest::keyClick(f->box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f->box(), Qt::Key_Backspace);
    QCOMPARE(f->box()->toPlainText(), QString());
    f->calendar()->setSelectedDate(day.addDays(1));
    click("EditButton");
    QVERIFY2(!f->box()->document()->isUndoAvailable(), "the other day's typing can be undone here");
}

void tst_MealNotes::focusMovesToSaveThenToAddItem()
{
    openOn(day);
    QApplication::setActiveWindow(f->window.get());
    QVERIFY(QTest::qWaitForWindowActive(f->window.get()));

    click("EditButton");
    QCOMPARE(f->window->focusWidget(), f->child("SaveButton"));
    click("SaveButton");
    QCOMPARE(f->window->focusWidget(), f->child("AddItemButton"));
}

void tst_MealNotes::savingOnAFreshHomeCreatesTheFolders()
{
    openOn(day);
    QCOMPARE(f->home.entries(), QStringList());

    click("EditButton");
    typeNote("stew");
    click("SaveButton");
    QCOMPARE(readFile(f->notePath(day)), QByteArray("stew"));
    verifyMode(false);
}

void tst_MealNotes::failedSaveWarnsAndKeepsTheEdit_data()
{
    QTest::addColumn<bool>("folderInTheWay");
    QTest::addColumn<int>("bytesShort"); // 0: no limit
    QTest::addColumn<bool>("otherWindowWriting");

    QTest::newRow("folder in the way") << true << 0 << false;
    QTest::newRow("disk full") << false << 200 * 1024 << false;
    QTest::newRow("last byte refused") << false << 1 << false;
    QTest::newRow("another window holds the folder") << false << 0 << true;
}

void tst_MealNotes::failedSaveWarnsAndKeepsTheEdit()
{
    QFETCH(bool, folderInTheWay);
    QFETCH(int, bytesShort);
    QFETCH(bool, otherWindowWriting);

    const QString path = f->notePath(day);
    const QByteArray oldNote = "yesterday's plan\r\nstays";
    QVERIFY(folderInTheWay ? QDir().mkpath(path) : writeFile(path, oldNote));

    openOn(day);
    click("EditButton");
    const QString typed = QString("lasagne ").repeated(32 * 1024);
    f->box()->setPlainText(typed);

    ShownMessage warning;
    dismissNextMessage(&warning);
    {
        FileSizeLimit limit(bytesShort == 0 ? RLIM_INFINITY : typed.size() - bytesShort);
        const std::unique_ptr<FolderLock> held(otherWindowWriting ? new FolderLock(f->home.dataPath(QString()))
                                                                   : nullptr);
        QVERIFY(!held || held->isHeld());
        click("SaveButton");
    }

    verifyFailedSave(warning, f->window.get(), "meal note", path,
                     folderInTheWay ? QByteArray() : oldNote);
    verifyMode(true);
    QCOMPARE(f->box()->toPlainText(), typed);
}

void tst_MealNotes::closingWhileEditingAsksNothingAndWritesNothing()
{
    QVERIFY(writeFile(f->notePath(day), "soup"));
    openOn(day);
    click("EditButton");
    typeNote("cake");

    QVERIFY(f->window->close());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(readFile(f->notePath(day)), QByteArray("soup"));
}

QTEST_MAIN(tst_MealNotes)
#include "tst_mealnotes.moc"
