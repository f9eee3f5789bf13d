#include "mainwindow.h"
#include "testsupport.h"

#include <QCalendarWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

class tst_MealNotes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void selectedDayShowsItsNote_data();
    void selectedDayShowsItsNote();
    void crlfNoteShowsOneBreakPerLineEnd();
    void savedNoteHoldsExactlyTheTypedText_data();
    void savedNoteHoldsExactlyTheTypedText();
    void storedNoteComesBackByteForByte_data();
    void storedNoteComesBackByteForByte();
    void pickingAnotherDayDropsTheEdit();
    void focusMovesToSaveThenToAddItem();
    void savingOnAFreshHomeCreatesTheFolders();
    void failedSaveWarnsAndKeepsTheEdit_data();
    void failedSaveWarnsAndKeepsTheEdit();
    void closingWhileEditingAsksNothingAndWritesNothing();

private:
    void openWindowOn(const QDate &date);
    void typeNote(const QString &text);
    void clickEdit() { QTest::mouseClick(button("EditButton"), Qt::LeftButton); }
    void clickSave() { QTest::mouseClick(button("SaveButton"), Qt::LeftButton); }
    QPushButton *button(const char *name) const { return window->findChild<QPushButton *>(name); }
    QTextEdit *box() const { return window->findChild<QTextEdit *>("TextBox"); }
    void verifyViewMode() const;
    void verifyEditMode() const;

    const QDate day = QDate(2019, 9, 19);
    const QString dayText = day.toString(Qt::TextDate);
    TemporaryHome *home = nullptr;
    MainWindow *window = nullptr;
};

void tst_MealNotes::init()
{
    home = new TemporaryHome;
    QVERIFY(home->isValid());
}

void tst_MealNotes::cleanup()
{
    delete window;
    window = nullptr;
    delete home;
}

void tst_MealNotes::openWindowOn(const QDate &date)
{
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->findChild<QCalendarWidget *>("Calendar")->setSelectedDate(date);
}

void tst_MealNotes::typeNote(const QString &text)
{
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(box(), Qt::Key_Return);
        QTest::keyClicks(box(), lines.at(i));
    }
}

void tst_MealNotes::verifyViewMode() const
{
    QVERIFY2(box()->isReadOnly(), "the note box takes typing in view mode");
    QVERIFY(button("EditButton")->isEnabled());
    QVERIFY(!button("SaveButton")->isEnabled());
}

void tst_MealNotes::verifyEditMode() const
{
    QVERIFY2(!box()->isReadOnly(), "the note box refuses typing in edit mode");
    QVERIFY(!button("EditButton")->isEnabled());
    QVERIFY(button("SaveButton")->isEnabled());
}

void tst_MealNotes::selectedDayShowsItsNote_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("shownFile");

    const QString d = dayText;
    QTest::newRow("exact name") << QStringList{d + ".txt"} << QStringList() << d + ".txt";
    QTest::newRow("second dot still matches") << QStringList{d + ".old.txt"} << QStringList()
                                              << d + ".old.txt";
    QTest::newRow("upper-case extension") << QStringList{d + ".TXT"} << QStringList() << d + ".TXT";
    QTest::newRow("file named .txt is never shown") << QStringList{".txt"} << QStringList() << "";
    QTest::newRow("name only starting like the date") << QStringList{d + "0.txt", d + " lunch.txt"}
                                                      << QStringList() << "";
    QTest::newRow("date in other case") << QStringList{d.toLower() + ".txt"} << QStringList() << "";
    QTest::newRow("another day's note") << QStringList{"Fri Sep 20 2019.txt"} << QStringList() << "";
    QTest::newRow("not a text file") << QStringList{d + ".md"} << QStringList() << "";
    QTest::newRow("last match with case ignored wins")
            << QStringList{d + ".a.txt", d + ".B.txt"} << QStringList() << d + ".B.txt";
    QTest::newRow("sub-folder named like a note") << QStringList() << QStringList{d + ".txt"} << "";
}

void tst_MealNotes::selectedDayShowsItsNote()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, shownFile);

    for (const QString &name : files)
        QVERIFY(writeFile(home->notePath(name), "note in " + name.toUtf8()));
    for (const QString &name : folders)
        QVERIFY(QDir().mkpath(home->notePath(name)));

    openWindowOn(day);
    QCOMPARE(box()->toPlainText(), shownFile.isEmpty() ? QString() : "note in " + shownFile);
    verifyViewMode();
}

void tst_MealNotes::crlfNoteShowsOneBreakPerLineEnd()
{
    QVERIFY(writeFile(home->notePath(dayText + ".txt"), "eggs\r\ntoast\r\n"));
    openWindowOn(day);
    QCOMPARE(box()->toPlainText(), QString("eggs\ntoast\n"));

    clickEdit();
    clickSave();
    QCOMPARE(readFile(home->notePath(dayText + ".txt")), QByteArray("eggs\ntoast\n"));
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

    QVERIFY(QDir().mkpath(home->notePath("")));
    openWindowOn(day);
    clickEdit();
    verifyEditMode();
    typeNote(typed);
    clickSave();

    QCOMPARE(readFile(home->notePath(dayText + ".txt")), typed.toUtf8());
    verifyViewMode();
    QCOMPARE(box()->toPlainText(), typed);
}

void tst_MealNotes::storedNoteComesBackByteForByte_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("markup in the first line") << QByteArray("<b>pasta</b> & salad\nbread");
    QTest::newRow("whole html page") << QByteArray("<html><body><p>soup</p></body></html>");
    QTest::newRow("trailing line break") << QByteArray("rice\n");
    QTest::newRow("tabs and spaces") << QByteArray("\t  beans  \n  ");
}

void tst_MealNotes::storedNoteComesBackByteForByte()
{
    QFETCH(QByteArray, content);

    const QString path = home->notePath(dayText + ".txt");
    QVERIFY(writeFile(path, content));
    openWindowOn(day);
    QCOMPARE(box()->toPlainText(), QString::fromUtf8(content));

    clickEdit();
    clickSave();
    QCOMPARE(readFile(path), content);
}

void tst_MealNotes::pickingAnotherDayDropsTheEdit()
{
    const QDate otherDay = day.addDays(1);
    const QString path = home->notePath(dayText + ".txt");
    const QString otherPath = home->notePath(otherDay.toString(Qt::TextDate) + ".txt");
    QVERIFY(writeFile(path, "soup"));
    QVERIFY(writeFile(otherPath, "pie"));

    openWindowOn(day);
    clickEdit();
    typeNote(" and bread");
    window->findChild<QCalendarWidget *>("Calendar")->setSelectedDate(otherDay);

    QCOMPARE(box()->toPlainText(), QString("pie"));
    verifyViewMode();
    QCOMPARE(readFile(path), QByteArray("soup"));
    QCOMPARE(readFile(otherPath), QByteArray("pie"));
    QCOMPARE(QDir(home->notePath("")).count(), 2u + 2u); // the two notes, "." and ".."
}

void tst_MealNotes::focusMovesToSaveThenToAddItem()
{
    openWindowOn(day);
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));

    clickEdit();
    QCOMPARE(window->focusWidget(), button("SaveButton"));
    clickSave();
    QCOMPARE(window->focusWidget(), button("AddItemButton"));
}

void tst_MealNotes::savingOnAFreshHomeCreatesTheFolders()
{
    openWindowOn(day);
    QCOMPARE(home->entries(), QStringList());

    clickEdit();
    typeNote("stew");
    clickSave();
    QCOMPARE(readFile(home->notePath(dayText + ".txt")), QByteArray("stew"));
    verifyViewMode();
}

void tst_MealNotes::failedSaveWarnsAndKeepsTheEdit_data()
{
    QTest::addColumn<bool>("folderInTheWay");

    QTest::newRow("folder in the way") << true;
    QTest::newRow("disk full") << false;
}

void tst_MealNotes::failedSaveWarnsAndKeepsTheEdit()
{
    QFETCH(bool, folderInTheWay);

    const QString path = home->notePath(dayText + ".txt");
    const QByteArray oldNote = "yesterday's plan\r\nstays";
    if (folderInTheWay)
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(writeFile(path, oldNote));

    openWindowOn(day);
    clickEdit();
    const QString typed = QString("lasagne ").repeated(32 * 1024);
    box()->setPlainText(typed);

    QString title, text;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        QCOMPARE(box->parentWidget(), window);
        box->accept();
    });
    {
        FileSizeLimit limit(folderInTheWay ? RLIM_INFINITY : 64 * 1024);
        clickSave();
    }

    QCOMPARE(title, QString("Save Failed"));
    const QString expectedStart = "The meal note could not be saved to "
                                  + QDir::toNativeSeparators(path) + ": ";
    QVERIFY2(text.startsWith(expectedStart) && text.size() > expectedStart.size(), qPrintable(text));
    verifyEditMode();
    QCOMPARE(box()->toPlainText(), typed);
    if (folderInTheWay)
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(readFile(path), oldNote);
    QCOMPARE(QDir(home->notePath("")).entryList(QDir::Files | QDir::Hidden).size(),
             folderInTheWay ? 0 : 1);
}

void tst_MealNotes::closingWhileEditingAsksNothingAndWritesNothing()
{
    const QString path = home->notePath(dayText + ".txt");
    QVERIFY(writeFile(path, "soup"));
    openWindowOn(day);
    clickEdit();
    typeNote("cake");

    QVERIFY(window->close());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(readFile(path), QByteArray("soup"));
}

QTEST_MAIN(tst_MealNotes)
#include "tst_mealnotes.moc"
