#include "testsupport.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCalendarWidget>
#include <QLabel>
#include <QTextEdit>

#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

// Every command from the keyboard, and a note box that tells a screen reader which
// day it holds; picks made through the accessibility interface count as the user's.
class tst_KeyboardAccess : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shortcutsDoTheirCommands_data();
    void shortcutsDoTheirCommands();
    void noteBoxSaysWhichDayItHolds();
    void cellsStandForTheDaysTheyShow_data();
    void cellsStandForTheDaysTheyShow();
    void dayPickedThroughTheCellActionIsTheOneSaved();
    void itemPickedThroughTheAccessibilityInterfaceIsDeleted();
    void calendarControlsHaveNamesAndTheListItsLabel();

private:
    QTextEdit *box() const { return f->child<QTextEdit>("TextBox"); }
    QCalendarWidget *calendar() const { return f->child<QCalendarWidget>("Calendar"); }
    QString notePath(const QDate &date) const
    {
        return f->home.notePath(date.toString(Qt::TextDate) + ".txt");
    }
    QAccessibleInterface *calendarTable() const;

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

static QList<QAccessible::Event> announced;

static void noteEvent(QAccessibleEvent *event)
{
    if (event->object() && event->object()->objectName() == "TextBox")
        announced << event->type();
}

void tst_KeyboardAccess::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
    QVERIFY(writeFile(notePath(day), "soup"));
    QVERIFY(writeFile(f->home.dataPath("list.txt"), "eggs\nmilk"));
    f->open();
    f->window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f->window.get()));
    calendar()->setSelectedDate(day);
}

// As when a screen reader runs: the toolkit then sends its accessibility events.
static void setAccessibilityActive(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

void tst_KeyboardAccess::cleanup()
{
    setAccessibilityActive(false);
    QAccessible::installUpdateHandler(nullptr);
    announced.clear();
    f.reset();
}

void tst_KeyboardAccess::shortcutsDoTheirCommands_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("editingAfter");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QByteArray>("noteFile");

    const QStringList items = {"eggs", "milk"};
    QTest::newRow("Ctrl+E edits") << QKeySequence("Ctrl+E") << "Calendar" << false << "soup" << true
                                  << items << QByteArray("soup");
    QTest::newRow("Ctrl+S saves while editing") << QKeySequence("Ctrl+S") << "TextBox" << true
                                                << "stew" << false << items << QByteArray("stew");
    QTest::newRow("Ctrl+S in view mode does nothing") << QKeySequence("Ctrl+S") << "TextBox" << false
                                                      << "soup" << false << items << QByteArray("soup");
    QTest::newRow("Ctrl+N adds from the note box") << QKeySequence("Ctrl+N") << "TextBox" << true
                                                   << "stew" << true << items + QStringList{"bread"}
                                                   << QByteArray("soup");
    QTest::newRow("Insert in the list adds") << QKeySequence(Qt::Key_Insert) << "GroceryList" << false
                                             << "soup" << false << items + QStringList{"bread"}
                                             << QByteArray("soup");
    QTest::newRow("Delete in the list deletes the item")
            << QKeySequence(QKeySequence::Delete) << "GroceryList" << false << "soup" << false
            << QStringList{"milk"} << QByteArray("soup");
    QTest::newRow("Delete in the note box deletes text")
            << QKeySequence(QKeySequence::Delete) << "TextBox" << true << "tew" << true << items
            << QByteArray("soup");
    QTest::newRow("Ctrl+Shift+Delete asks and clears")
            << QKeySequence("Ctrl+Shift+Del") << "Calendar" << false << "soup" << false
            << QStringList() << QByteArray("soup");
}

void tst_KeyboardAccess::shortcutsDoTheirCommands()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(bool, editing);
    QFETCH(QString, note);
    QFETCH(bool, editingAfter);
    QFETCH(QStringList, items);
    QFETCH(QByteArray, noteFile);

    f->child<QListWidget>("GroceryList")->setCurrentRow(0);
    if (editing) {
        f->child<QPushButton>("EditButton")->click();
        box()->setPlainText("stew");
    }
    f->child(focus.toLatin1())->setFocus();
    QTRY_VERIFY(f->child(focus.toLatin1())->hasFocus());
    QWidget *focused = QApplication::focusWidget();
    MessageLog messages;
    messages.answer = QMessageBox::Yes;
    messages.typed = "bread";
    QTest::keySequence(focused, keys);

    QCOMPARE(box()->toPlainText(), note);
    QCOMPARE(box()->isReadOnly(), !editingAfter);
    QCOMPARE(groceryEntries(f->window.get()), items);
    QCOMPARE(readFile(notePath(day)), noteFile);
    QCOMPARE(messages.titles.join(','),
             QString(keys == QKeySequence("Ctrl+Shift+Del") ? "Clear List" : ""));
    if (editingAfter && !editing) {
        QCOMPARE(QApplication::focusWidget(), box());
        QCOMPARE(box()->textCursor().position(), note.size());
    }
}

void tst_KeyboardAccess::noteBoxSaysWhichDayItHolds()
{
    setAccessibilityActive(true);
    QAccessible::installUpdateHandler(noteEvent);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box());
    auto heard = [accessible] {
        return accessible->text(QAccessible::Name) + " / " + accessible->text(QAccessible::Description);
    };
    QCOMPARE(heard(), QString("Meal note for Thursday, 19 September 2019 / "
                              "Read-only, press Edit to change it"));

    calendar()->setSelectedDate(day.addDays(1));
    QCOMPARE(heard(), QString("Meal note for Friday, 20 September 2019 / No note"));
    QVERIFY(announced.contains(QAccessible::NameChanged));
    QVERIFY(announced.contains(QAccessible::DescriptionChanged));

    QSignalSpy changed(f->child<QObject>("MealNoteFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(notePath(day.addDays(1)), "curry"));
    QVERIFY(changed.wait(5000));
    QCOMPARE(heard(), QString("Meal note for Friday, 20 September 2019 / "
                              "Read-only, press Edit to change it"));

    announced.clear();
    f->child<QPushButton>("EditButton")->click();
    QCOMPARE(heard(), QString("Meal note for Friday, 20 September 2019 / Editing"));
    QVERIFY(announced.contains(QAccessible::StateChanged));
    f->child<QPushButton>("SaveButton")->click();
    QCOMPARE(heard(), QString("Meal note for Friday, 20 September 2019 / "
                              "Read-only, press Edit to change it"));
}

void tst_KeyboardAccess::cellsStandForTheDaysTheyShow_data()
{
    QTest::addColumn<QDate>("month");
    QTest::newRow("month starting on the week's first day") << QDate(2026, 6, 1);
    QTest::newRow("month starting mid-week") << QDate(2026, 12, 1);
    QTest::newRow("february of four whole weeks") << QDate(2021, 2, 1);
}

// The calendar's own layout is the truth: each day it selects sits in the cell that
// is taken for that day.
void tst_KeyboardAccess::cellsStandForTheDaysTheyShow()
{
    QFETCH(QDate, month);
    auto *view = calendar()->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    QVERIFY(view);
    calendar()->setCurrentPage(month.year(), month.month());
    for (QDate date = month.addDays(-6); date < month.addMonths(1); date = date.addDays(1)) {
        calendar()->setCurrentPage(month.year(), month.month());
        calendar()->setSelectedDate(date);
        if (calendar()->monthShown() != month.month())
            continue;
        const QModelIndex cell = view->currentIndex();
        QCOMPARE(calendarCellDate(calendar(), cell.row(), cell.column()), date);
    }
}

QAccessibleInterface *tst_KeyboardAccess::calendarTable() const
{
    return QAccessible::queryAccessibleInterface(
            calendar()->findChild<QAbstractItemView *>("qt_calendar_calendarview"));
}

void tst_KeyboardAccess::dayPickedThroughTheCellActionIsTheOneSaved()
{
    QAccessibleTableInterface *table = calendarTable()->tableInterface();
    QVERIFY(table);
    const QDate picked = day.addDays(3);
    QAccessibleInterface *cell = nullptr;
    for (int row = 0; row < table->rowCount() && !cell; ++row) {
        for (int column = 0; column < table->columnCount() && !cell; ++column) {
            if (calendarCellDate(calendar(), row, column) == picked)
                cell = table->cellAt(row, column);
        }
    }
    QVERIFY(cell && cell->actionInterface());
    QCOMPARE(cell->text(QAccessible::Name), QString::number(picked.day()));
    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());

    QCOMPARE(calendar()->selectedDate(), picked);
    QCOMPARE(box()->toPlainText(), QString());
    f->child<QPushButton>("EditButton")->click();
    box()->setPlainText("pie");
    f->child<QPushButton>("SaveButton")->click();
    QCOMPARE(readFile(notePath(picked)), QByteArray("pie"));
    QCOMPARE(readFile(notePath(day)), QByteArray("soup"));
}

void tst_KeyboardAccess::itemPickedThroughTheAccessibilityInterfaceIsDeleted()
{
    auto *list = f->child<QListWidget>("GroceryList");
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(list);
    QAccessibleInterface *milk = accessible->child(1);
    QVERIFY(milk && milk->actionInterface());
    QCOMPARE(milk->text(QAccessible::Name), QString("milk"));
    milk->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    f->child<QPushButton>("DeleteItemButton")->click();
    QCOMPARE(readFile(f->home.dataPath("list.txt")), QByteArray("eggs"));
}

void tst_KeyboardAccess::calendarControlsHaveNamesAndTheListItsLabel()
{
    QStringList names;
    for (const char *control : {"qt_calendar_prevmonth", "qt_calendar_nextmonth",
                                "qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
        QWidget *widget = calendar()->findChild<QWidget *>(control);
        QVERIFY2(widget, control);
        names << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    }
    QCOMPARE(names, (QStringList{"Previous month", "Next month", "Month", "Year"}));
    auto *label = f->child<QLabel>("label");
    QCOMPARE(label->buddy(), f->child("GroceryList"));
    QCOMPARE(label->text(), QString("Grocery List"));
}

QTEST_MAIN(tst_KeyboardAccess)
#include "tst_keyboardaccess.moc"
