// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QLabel>

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
    void picksThroughTheAccessibilityInterfaceCount();
    void calendarCellsSayTheirDay_data();
    void calendarCellsSayTheirDay();
    void everyMoveInTheCalendarSpeaksTheNewDayOnce_data();
    void everyMoveInTheCalendarSpeaksTheNewDayOnce();
    void calendarControlsHaveNamesAndTheListItsLabel();
    void listCommandsAreSpokenWhenDone_data();
    void listCommandsAreSpokenWhenDone();
    void aPastedNoteAndItsUndoAreSpoken();
    void tabGoesFromTheCalendarToTheNoteAndTheList();

private:
    // As the user comes back to the list after a dialog, which the platform here does
    // not give the focus back from.
    void pressInList(const QKeySequence &keys)
    {
        f->window->activateWindow();
        f->list()->setFocus();
        QTRY_VERIFY(f->list()->hasFocus());
        QTest::keySequence(f->list(), keys);
    }

    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

static QList<QAccessible::Event> announced;


// As when a screen reader runs: only then does the toolkit send its events.
static void setAccessibilityActive(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

// The notices a screen reader is shown, in order, from now on.
static const QStringList &listenToNotices()
{
    static QStringList shown;
    shown.clear();
    setAccessibilityActive(true);
    QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        QAccessibleInterface *shownObject = event->accessibleInterface();
        if (event->type() == QAccessible::ObjectShow && shownObject->role() == QAccessible::Notification)
            shown << shownObject->text(QAccessible::Name);
    });
    return shown;
}

void tst_KeyboardAccess::init()
{
    f.reset(new WindowFixture);
    QVERIFY(writeFile(f->notePath(day), "soup"));
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk"));
    f->openOn(day);
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
    // The note box, its mode, the list and the note's file afterwards.
    QTest::addColumn<QString>("after");

    QTest::newRow("Ctrl+E edits") << QKeySequence("Ctrl+E") << "Calendar" << false
                                  << "soup | editing | eggs,milk | soup";
    QTest::newRow("Ctrl+S saves while editing") << QKeySequence("Ctrl+S") << "TextBox" << true
                                                << "stew | view | eggs,milk | stew";
    QTest::newRow("Ctrl+S in view mode does nothing") << QKeySequence("Ctrl+S") << "TextBox" << false
                                                      << "soup | view | eggs,milk | soup";
    QTest::newRow("Ctrl+N adds from the note box") << QKeySequence("Ctrl+N") << "TextBox" << true
                                                   << "stew | editing | eggs,milk,bread | soup";
    QTest::newRow("Insert in the list adds") << QKeySequence(Qt::Key_Insert) << "GroceryList" << false
                                             << "soup | view | eggs,milk,bread | soup";
    QTest::newRow("Delete in the list deletes the item") << QKeySequence(QKeySequence::Delete) << "GroceryList"
                                                         << false << "soup | view | milk | soup";
    QTest::newRow("Delete in the note box deletes text") << QKeySequence(QKeySequence::Delete) << "TextBox" << true
                                                         << "tew | editing | eggs,milk | soup";
    QTest::newRow("Ctrl+Shift+Delete asks and clears") << QKeySequence("Ctrl+Shift+Del") << "Calendar"
                                                       << false << "soup | view |  | soup";
}

void tst_KeyboardAccess::shortcutsDoTheirCommands()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(bool, editing);
    QFETCH(QString, after);

    f->list()->setCurrentRow(0);
    if (editing) {
        f->click("EditButton");
        f->box()->setPlainText("stew");
    }
    f->child(focus.toLatin1())->setFocus();
    QTRY_VERIFY(f->child(focus.toLatin1())->hasFocus());
    MessageLog dialogs;
    dialogs.answer = QMessageBox::Yes;
    dialogs.typed = "bread";
    QTest::keySequence(QApplication::focusWidget(), keys);

    QCOMPARE(QStringList({f->box()->toPlainText(), f->box()->isReadOnly() ? "view" : "editing",
                          groceryEntries(f->window.get()).join(','), readFile(f->notePath(day))})
                     .join(" | "),
             after);
    QCOMPARE(dialogs.titles.join(','), QString(keys == QKeySequence("Ctrl+Shift+Del") ? "Clear List" : ""));
    QCOMPARE(dialogs.descriptions, dialogs.texts);
    if (keys == QKeySequence("Ctrl+E")) {
        QCOMPARE(QApplication::focusWidget(), f->box());
        QCOMPARE(f->box()->textCursor().position(), 4);
    }
    // Leaving the box is what a screen reader speaks.
    if (keys == QKeySequence("Ctrl+S") && editing)
        QCOMPARE(QApplication::focusWidget(), f->child("EditButton"));
}

void tst_KeyboardAccess::noteBoxSaysWhichDayItHolds()
{
    setAccessibilityActive(true);
    QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        if (event->object() && event->object()->objectName() == "TextBox")
            announced << event->type();
    });
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(f->box());
    auto heard = [accessible] {
        return accessible->text(QAccessible::Name) + " / " + accessible->text(QAccessible::Description);
    };
    const QString thursday = "Meal note for Thursday, 19 September 2019 / ";
    const QString friday = "Meal note for Friday, 20 September 2019 / ";
    QCOMPARE(heard(), thursday + "Read-only, press Edit to change it");

    f->calendar()->setSelectedDate(day.addDays(1));
    QCOMPARE(heard(), friday + "No note");
    QVERIFY(announced.contains(QAccessible::NameChanged) && announced.contains(QAccessible::DescriptionChanged));

    QSignalSpy changed(f->child<QObject>("MealNoteFile"), SIGNAL(changedOnDisk()));
    QVERIFY(writeFile(f->notePath(day.addDays(1)), "curry"));
    QVERIFY(changed.wait(5000));
    QCOMPARE(heard(), friday + "Read-only, press Edit to change it");

    announced.clear();
    f->click("EditButton");
    QCOMPARE(heard(), friday + "Editing");
    QVERIFY(announced.contains(QAccessible::StateChanged));
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
    auto *calendar = f->calendar();
    auto *view = calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    for (QDate date = month.addDays(-6); date < month.addMonths(1); date = date.addDays(1)) {
        calendar->setCurrentPage(month.year(), month.month());
        calendar->setSelectedDate(date);
        if (calendar->monthShown() == month.month())
            QCOMPARE(calendarCellDate(calendar, view->currentIndex().row(), view->currentIndex().column()), date);
    }
}

// A day cell's action and a list item's selection, as screen-reader tools use them;
// Save then writes the day picked, and Delete Item removes the item picked.
void tst_KeyboardAccess::picksThroughTheAccessibilityInterfaceCount()
{
    auto *calendar = f->calendar();
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(
            calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview"))->tableInterface();
    const QDate picked = day.addDays(3);
    QAccessibleInterface *cell = nullptr;
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            if (calendarCellDate(calendar, row, column) == picked)
                cell = table->cellAt(row, column);
        }
    }
    QVERIFY(cell && cell->actionInterface());
    QCOMPARE(cell->text(QAccessible::Name), QString("Sunday, 22 September 2019"));
    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(calendar->selectedDate(), picked);
    QCOMPARE(f->box()->toPlainText(), QString());
    f->click("EditButton");
    f->box()->setPlainText("pie");
    f->click("SaveButton");
    QCOMPARE(readFile(f->notePath(picked)), QByteArray("pie"));
    QCOMPARE(readFile(f->notePath(day)), QByteArray("soup"));

    QAccessibleInterface *milk = QAccessible::queryAccessibleInterface(f->list())->child(1);
    QCOMPARE(milk->text(QAccessible::Name), QString("milk"));
    milk->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    f->click("DeleteItemButton");
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs"));
}

void tst_KeyboardAccess::calendarCellsSayTheirDay_data()
{
    QTest::addColumn<QDate>("cellDay");
    QTest::addColumn<QString>("heard"); // name / description, and "selected"

    QTest::newRow("the selected day, with a note")
            << day << "Thursday, 19 September 2019 / has a meal note, selected";
    QTest::newRow("a day without a note") << day.addDays(1) << "Friday, 20 September 2019 / ";
    QTest::newRow("a day of the month before") << QDate(2019, 8, 31) << "Saturday, 31 August 2019 / other month";
    QTest::newRow("today") << QDate::currentDate()
                           << QLocale().toString(QDate::currentDate(), QLocale::LongFormat) + " / today, other month";
}

// As a screen reader reads the calendar's table: the header row, then the weeks.
void tst_KeyboardAccess::calendarCellsSayTheirDay()
{
    QFETCH(QDate, cellDay);
    QFETCH(QString, heard);

    auto *calendar = f->calendar();
    if (cellDay == QDate::currentDate())
        calendar->setCurrentPage(cellDay.year(), cellDay.month());
    QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(
            calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview"))->tableInterface();
    QVERIFY(table);
    QStringList weekdays;
    QString cellHeard;
    for (int column = 0; column < table->columnCount(); ++column) {
        weekdays << table->cellAt(0, column)->text(QAccessible::Name);
        for (int row = 1; row < table->rowCount(); ++row) {
            QAccessibleInterface *cell = table->cellAt(row, column);
            if (calendarCellDate(calendar, row, column) == cellDay) {
                cellHeard = cell->text(QAccessible::Name) + " / " + cell->text(QAccessible::Description)
                            + (cell->state().selected ? ", selected" : "");
            }
        }
    }
    QCOMPARE(weekdays, (QStringList{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}));
    QCOMPARE(cellHeard, heard);
    QCOMPARE(QAccessible::queryAccessibleInterface(calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview"))
                     ->text(QAccessible::Name),
             QLocale().standaloneMonthName(calendar->monthShown()) + ' ' + QString::number(calendar->yearShown()));
}

void tst_KeyboardAccess::everyMoveInTheCalendarSpeaksTheNewDayOnce_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("key"); // none: the focus comes into the calendar
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("heard");
    QTest::addColumn<int>("told"); // in a row, on the one cell: the view tells a new page twice

    QTest::newRow("entering the calendar") << day << 0 << 0 << "Thursday, 19 September 2019 / has a meal note" << 1;
    QTest::newRow("a day on") << day << int(Qt::Key_Right) << 0 << "Friday, 20 September 2019 / " << 1;
    QTest::newRow("a week on") << day << int(Qt::Key_Down) << 0 << "Thursday, 26 September 2019 / " << 1;
    QTest::newRow("a month on, same place on the page")
            << QDate(2027, 2, 8) << int(Qt::Key_PageDown) << 0 << "Monday, 8 March 2027 / " << 2;
    QTest::newRow("a month on, another place") << day << int(Qt::Key_PageDown) << 0
                                               << "Saturday, 19 October 2019 / " << 2;
    QTest::newRow("the month's first day") << day.addDays(-1) << int(Qt::Key_Home) << 0
                                           << "Sunday, 1 September 2019 / " << 1;
    QTest::newRow("a year on") << day << int(Qt::Key_PageDown) << int(Qt::ShiftModifier)
                               << "Saturday, 19 September 2020 / " << 1;
    QTest::newRow("a year back") << day << int(Qt::Key_PageUp) << int(Qt::ControlModifier)
                                 << "Wednesday, 19 September 2018 / " << 1;
}

// The cells a screen reader is told have the focus, read as each event comes: one
// cell, the new day's, and the table itself never after it. The view tells the cell
// twice in a row when the page changes, which a screen reader speaks once, as the
// focus stays on one object; any other repeat would be heard.
void tst_KeyboardAccess::everyMoveInTheCalendarSpeaksTheNewDayOnce()
{
    QFETCH(QDate, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, heard);
    QFETCH(int, told);

    static QStringList focused;
    focused.clear();
    auto *calendar = f->calendar();
    auto *view = calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    calendar->setSelectedDate(from);
    (key ? static_cast<QWidget *>(view) : f->box())->setFocus();
    QTRY_VERIFY(QApplication::focusWidget());
    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(view);
    const QAccessible::Id cellBefore = QAccessible::uniqueId(table->tableInterface()->selectedCells().first());
    setAccessibilityActive(true);
    QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        QAccessibleInterface *focus = event->accessibleInterface();
        if (event->type() == QAccessible::Focus)
            focused << QString::number(QAccessible::uniqueId(focus)) + " " + focus->text(QAccessible::Name)
                               + " / " + focus->text(QAccessible::Description);
    });
    if (key)
        QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    else
        view->setFocus();
    QTRY_COMPARE(focused.value(focused.size() - 1).section(' ', 1), heard);
    // An event that comes after the move is done would be heard too.
    QTest::qWait(100);
    if (!key)
        focused.removeFirst();
    QCOMPARE(focused.size(), told);
    for (const QString &cell : qAsConst(focused))
        QCOMPARE(cell, focused.last());
    QCOMPARE(table->focusChild()->text(QAccessible::Name), heard.section(" / ", 0, 0));
    // A screen reader speaks a focus that moved to another cell, not one that stayed.
    QCOMPARE(QAccessible::uniqueId(table->focusChild()) == cellBefore, key == 0);
}

void tst_KeyboardAccess::calendarControlsHaveNamesAndTheListItsLabel()
{
    QStringList heard;
    for (const char *control : {"qt_calendar_prevmonth", "qt_calendar_nextmonth",
                                "qt_calendar_monthbutton", "qt_calendar_yearbutton"}) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(
                f->calendar()->findChild<QWidget *>(control));
        heard << accessible->text(QAccessible::Name) + " / " + accessible->text(QAccessible::Description);
    }
    QCOMPARE(heard, (QStringList{"Previous month / Page Up", "Next month / Page Down", "September / Choose the month",
                                 "2019 / Choose the year; Shift+Page Up and Shift+Page Down move a year"}));
    QCOMPARE(f->child<QLabel>("label")->buddy(), f->list());
}

void tst_KeyboardAccess::listCommandsAreSpokenWhenDone_data()
{
    QTest::addColumn<QStringList>("buttons"); // or keys pressed in the list, or "file:" what another program writes
    QTest::addColumn<QStringList>("heard");

    QTest::newRow("add item") << QStringList {"AddItemButton"} << QStringList {"bread, 50%2 off added, 4 items"};
    QTest::newRow("delete item") << QStringList {"DeleteItemButton"} << QStringList {"eggs deleted, 1 item"};
    QTest::newRow("clear list") << QStringList {"ClearListButton"} << QStringList {"list cleared, no items"};
    QTest::newRow("delete, then add")
            << QStringList {"DeleteItemButton", "AddItemButton"}
            << QStringList {"eggs deleted, 1 item", "bread, 50%2 off added, 3 items"};
    QTest::newRow("tick, untick") << QStringList {"Space", "Space"}
                                  << QStringList {"eggs ticked, 1 of 2 left", "eggs unticked, 2 of 2 left"};
    QTest::newRow("move down, then up again") << QStringList {"Alt+Down", "Alt+Up"}
                                              << QStringList {"eggs moved, 2 of 2", "eggs moved, 1 of 2"};
    QTest::newRow("tick, remove ticked") << QStringList {"Space", "Ctrl+Del"}
                                         << QStringList {"eggs ticked, 1 of 2 left", "1 ticked item removed, 1 item"};
    QTest::newRow("clear, undo, redo") << QStringList {"ClearListButton", "Ctrl+Z", "Ctrl+Shift+Z"}
                                       << QStringList {"list cleared, no items", "list cleared, undone, 2 items",
                                                       "list cleared again, no items"};
    QTest::newRow("add, undo") << QStringList {"AddItemButton", "Ctrl+Z"}
                               << QStringList {"bread, 50%2 off added, 4 items", "bread, 50%2 off added, undone, 2 items"};
    QTest::newRow("tick, undo, redo") << QStringList {"Space", "Ctrl+Z", "Ctrl+Y"}
                                      << QStringList {"eggs ticked, 1 of 2 left", "eggs ticked, undone, 2 items",
                                                      "eggs ticked again, 2 items"};
    QTest::newRow("a change from elsewhere") << QStringList {"file:eggs\nx milk\ntea"}
                                             << QStringList {"list changed: tea added, milk ticked, 3 items"};
    QTest::newRow("a command, then a change from elsewhere")
            << QStringList {"DeleteItemButton", "file:jam"}
            << QStringList {"eggs deleted, 1 item", "list changed: jam added, milk deleted, 1 item"};
}

// The notice is shown anew for each command: that is what a screen reader speaks.
void tst_KeyboardAccess::listCommandsAreSpokenWhenDone()
{
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, heard);

    const QStringList &shown = listenToNotices();
    f->list()->setCurrentRow(0);
    MessageLog dialogs;
    dialogs.answer = QMessageBox::Yes;
    dialogs.typed = "bread\n50%2 off";
    f->list()->setFocus();
    QTRY_VERIFY(f->list()->hasFocus());
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i).endsWith("Button"))
            f->click(buttons.at(i).toLatin1());
        else if (buttons.at(i).startsWith("file:"))
            QVERIFY(writeFile(f->listPath(), buttons.at(i).mid(5).replace("\\n", "\n").toUtf8()));
        else
            pressInList(QKeySequence(buttons.at(i)));
        QTRY_COMPARE(shown.size(), i + 1);
        QCOMPARE(shown.at(i), heard.at(i));
    }
}

void tst_KeyboardAccess::aPastedNoteAndItsUndoAreSpoken()
{
    const QStringList &shown = listenToNotices();
    auto *view = f->calendar()->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QTest::keySequence(view, QKeySequence::Copy);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keySequence(view, QKeySequence::Paste);
    QTRY_COMPARE(shown, QStringList{"meal note pasted on Friday, 20 September 2019"});
    QTest::keySequence(view, QKeySequence::Undo);
    QTRY_COMPARE(shown.size(), 2);
    QCOMPARE(shown.last(), QString("meal note pasted on Friday, 20 September 2019, undone"));
    QCOMPARE(readFile(f->notePath(day.addDays(1))), QByteArray());
}

// As the README tells a keyboard user how to reach the list.
void tst_KeyboardAccess::tabGoesFromTheCalendarToTheNoteAndTheList()
{
    auto *view = f->calendar()->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QStringList reached;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(reached, (QStringList{"TextBox", "GroceryList", "EditButton", "AddItemButton"}));
}

QTEST_MAIN(tst_KeyboardAccess)
#include "tst_keyboardaccess.moc"
