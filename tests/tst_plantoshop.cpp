#include "testsupport.h"

#include "weekdocument.h"

#include <QCalendarWidget>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

// From the plan to the shop: note lines onto the list, the list's commands taken
// back, and the week on paper.
class tst_PlanToShop : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void noteLinesGoOntoTheList_data();
    void noteLinesGoOntoTheList();
    void listCommandsAreUndoneOnTheListAsItNowIs_data();
    void listCommandsAreUndoneOnTheListAsItNowIs();
    void ctrlZInTheNoteBoxUndoesTyping();
    void listMenuOffersEveryCommandWithItsKeys();
    void weekDocumentHoldsTheWeekAndTheList_data();
    void weekDocumentHoldsTheWeekAndTheList();

private:
    QTextEdit *box() const { return f->child<QTextEdit>("TextBox"); }
    QListWidget *list() const { return f->child<QListWidget>("GroceryList"); }
    QString listPath() const { return f->home.dataPath("list.txt"); }

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

void tst_PlanToShop::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
    QVERIFY(writeFile(listPath(), "eggs\nmilk\ntea"));
    QVERIFY(writeFile(f->home.notePath(day.toString(Qt::TextDate) + ".txt"),
                      "Pancakes:\nflour\n\n  \n2 eggs"));
    f->open();
    f->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
    f->child<QCalendarWidget>("Calendar")->setSelectedDate(day);
}

// Opens owner's context menu, notes its entries with their keys, and chooses entry
// if it is there and enabled, or closes the menu.
static void chooseFromContextMenu(QWidget *owner, const QString &entry, QStringList *entries,
                                  bool *enabled)
{
    QTimer::singleShot(0, [entry, entries, enabled] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QAction *chosen = nullptr;
        for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
            if (action->isSeparator())
                continue;
            *entries << (action->text() + ' ' + action->shortcut().toString()).trimmed();
            if (action->text() == entry)
                chosen = action;
        }
        *enabled = chosen && chosen->isEnabled();
        if (menu)
            menu->close();
        if (*enabled)
            chosen->trigger();
    });
    emit owner->customContextMenuRequested(QPoint(5, 5));
}

void tst_PlanToShop::noteLinesGoOntoTheList_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("added");

    for (const bool dropped : {false, true}) {
        const char *how = dropped ? "dropped: " : "from the menu: ";
        QTest::newRow(qPrintable(QString(how) + "one line")) << dropped << 10 << 15 << QStringList{"flour"};
        QTest::newRow(qPrintable(QString(how) + "lines with blanks"))
                << dropped << 10 << 26 << QStringList{"flour", "2 eggs"};
        QTest::newRow(qPrintable(QString(how) + "nothing selected")) << dropped << 3 << 3 << QStringList();
    }
}

void tst_PlanToShop::noteLinesGoOntoTheList()
{
    QFETCH(bool, dropped);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, added);

    QTextCursor cursor = box()->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box()->setTextCursor(cursor);
    const QStringList before = groceryEntries(f->window.get());
    if (dropped) {
        QMimeData text;
        text.setText(cursor.selection().toPlainText());
        // A drop goes only where the drag was taken in.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(list()->viewport(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
    } else {
        QStringList entries;
        bool enabled = false;
        chooseFromContextMenu(box(), "Add to Grocery List", &entries, &enabled);
        QVERIFY2(entries.first().contains("Copy") && entries.contains("Print Week… Ctrl+P"),
                 qPrintable(entries.join(", ")));
        QCOMPARE(enabled, !added.isEmpty());
    }

    QCOMPARE(groceryEntries(f->window.get()), before + added);
    QCOMPARE(readFile(listPath()), (before + added).join('\n').toUtf8());
    QCOMPARE(box()->toPlainText(), QString("Pancakes:\nflour\n\n  \n2 eggs"));
}

void tst_PlanToShop::listCommandsAreUndoneOnTheListAsItNowIs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("outside");
    QTest::addColumn<QByteArray>("done");
    QTest::addColumn<QByteArray>("undone");
    QTest::addColumn<QByteArray>("redone");

    QTest::newRow("add") << "AddItemButton" << QByteArray() << QByteArray("eggs\nmilk\ntea\nbread")
                         << QByteArray("eggs\nmilk\ntea") << QByteArray("eggs\nmilk\ntea\nbread");
    QTest::newRow("add, then an item added elsewhere")
            << "AddItemButton" << QByteArray("rice\neggs\nmilk\ntea\nbread")
            << QByteArray("eggs\nmilk\ntea\nbread") << QByteArray("rice\neggs\nmilk\ntea")
            << QByteArray("rice\neggs\nmilk\ntea\nbread");
    QTest::newRow("delete") << "DeleteItemButton" << QByteArray() << QByteArray("eggs\ntea")
                            << QByteArray("eggs\nmilk\ntea") << QByteArray("eggs\ntea");
    QTest::newRow("delete, then the list shortened elsewhere")
            << "DeleteItemButton" << QByteArray("tea") << QByteArray("eggs\ntea")
            << QByteArray("tea\nmilk") << QByteArray("tea");
    QTest::newRow("clear") << "ClearListButton" << QByteArray() << QByteArray()
                           << QByteArray("eggs\nmilk\ntea") << QByteArray();
    QTest::newRow("clear, then an item added elsewhere")
            << "ClearListButton" << QByteArray("rice") << QByteArray()
            << QByteArray("eggs\nmilk\ntea\nrice") << QByteArray();
}

void tst_PlanToShop::listCommandsAreUndoneOnTheListAsItNowIs()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, outside);
    QFETCH(QByteArray, done);
    QFETCH(QByteArray, undone);
    QFETCH(QByteArray, redone);

    MessageLog dialogs;
    dialogs.answer = QMessageBox::Yes;
    dialogs.typed = "bread";
    list()->setCurrentRow(1);
    f->child<QPushButton>(command.toLatin1())->click();
    QCOMPARE(readFile(listPath()), done);
    if (!outside.isEmpty())
        QVERIFY(writeFile(listPath(), outside));

    f->window->activateWindow();
    list()->setFocus();
    QTRY_VERIFY(list()->hasFocus());
    QTest::keySequence(list(), QKeySequence::Undo);
    QCOMPARE(readFile(listPath()), undone);
    QCOMPARE(groceryEntries(f->window.get()).join('\n').toUtf8(), undone);
    QTest::keySequence(list(), QKeySequence("Ctrl+Shift+Z"));
    QCOMPARE(readFile(listPath()), redone);
    QCOMPARE(groceryEntries(f->window.get()).join('\n').toUtf8(), redone);
}

void tst_PlanToShop::ctrlZInTheNoteBoxUndoesTyping()
{
    MessageLog dialogs;
    dialogs.typed = "bread";
    f->child<QPushButton>("AddItemButton")->click();
    f->child<QPushButton>("EditButton")->click();
    box()->setFocus();
    box()->moveCursor(QTextCursor::End);
    QTest::keyClicks(box(), "!");
    QTest::keySequence(box(), QKeySequence::Undo);
    QCOMPARE(box()->toPlainText(), QString("Pancakes:\nflour\n\n  \n2 eggs"));
    QCOMPARE(readFile(listPath()), QByteArray("eggs\nmilk\ntea\nbread"));
}

void tst_PlanToShop::listMenuOffersEveryCommandWithItsKeys()
{
    QStringList entries;
    bool enabled = false;
    chooseFromContextMenu(list(), QString(), &entries, &enabled);
    QCOMPARE(entries, (QStringList{"Add Item… Ctrl+N", "Delete Item Del", "Clear List… Ctrl+Shift+Del",
                                    "Undo Ctrl+Z", "Redo Ctrl+Shift+Z", "Copy List Ctrl+Shift+C",
                                    "Print Week… Ctrl+P"}));
}

void tst_PlanToShop::weekDocumentHoldsTheWeekAndTheList_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("firstHeading");
    QTest::addColumn<QString>("lastDayHeading");

    QTest::newRow("week from Monday") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                      << "Monday, 16 September 2019" << "Sunday, 22 September 2019";
    QTest::newRow("week from Sunday") << QLocale(QLocale::English, QLocale::UnitedStates)
                                      << "Sunday, September 15, 2019" << "Saturday, September 21, 2019";
}

void tst_PlanToShop::weekDocumentHoldsTheWeekAndTheList()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, firstHeading);
    QFETCH(QString, lastDayHeading);

    QLocale::setDefault(locale);
    QList<DayNote> notes;
    for (const QDate &date : weekHolding(day))
        notes << DayNote(date, date == day ? "<b>soup</b> & bread" : "");
    QLocale::setDefault(QLocale::c());
    QCOMPARE(notes.first().first.dayOfWeek(), int(locale.firstDayOfWeek()));

    QLocale::setDefault(locale);
    std::unique_ptr<QTextDocument> week(weekDocument(notes, {"eggs", "<i>milk</i>"}));
    QLocale::setDefault(QLocale::c());
    const QStringList lines = week->toPlainText().split('\n');
    QCOMPARE(lines.first(), firstHeading);
    QCOMPARE(lines.at(lines.indexOf(locale.toString(day, QLocale::LongFormat)) + 1),
             QString("<b>soup</b> & bread"));
    QCOMPARE(lines.mid(lines.size() - 4),
             (QStringList{lastDayHeading, "Grocery List", "eggs", "<i>milk</i>"}));
    QCOMPARE(lines.size(), 7 + 1 + 1 + 2);

    QTemporaryDir folder;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("week.pdf"));
    week->print(&printer);
    QVERIFY(readFile(folder.filePath("week.pdf")).startsWith("%PDF"));
    QVERIFY(QFileInfo(folder.filePath("week.pdf")).size() > 1000);
}

QTEST_MAIN(tst_PlanToShop)
#include "tst_plantoshop.moc"
