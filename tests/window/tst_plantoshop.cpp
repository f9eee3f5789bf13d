// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "weekdocument.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

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
    void dropWithoutTextIsRefused();
    void listCommandsAreUndoneOnTheListAsItNowIs_data();
    void listCommandsAreUndoneOnTheListAsItNowIs();
    void ctrlZInTheNoteBoxUndoesTyping();
    void weekDocumentHoldsTheWeekAndTheList_data();
    void weekDocumentHoldsTheWeekAndTheList();
    void mealPlannedAgainOnAnotherDay_data();
    void mealPlannedAgainOnAnotherDay();
    void pastMealFoundAndPicked_data();
    void pastMealFoundAndPicked();

private:
    const QDate day = QDate(2019, 9, 19);
    const QString note = "Pancakes:\nflour\n\n  \n2 eggs";
    std::unique_ptr<WindowFixture> f;
};

void tst_PlanToShop::init()
{
    f.reset(new WindowFixture);
    QVERIFY(writeFile(f->listPath(), "eggs\nmilk\ntea"));
    QVERIFY(writeFile(f->notePath(day), note.toUtf8()));
    f->openOn(day);
}

void tst_PlanToShop::noteLinesGoOntoTheList_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("added");

    for (const bool dropped : {false, true}) {
        const QString how = dropped ? "dropped: " : "from the menu: ";
        QTest::newRow(qPrintable(how + "one line")) << dropped << 10 << 15 << QStringList{"flour"};
        QTest::newRow(qPrintable(how + "lines with blanks")) << dropped << 10 << 26
                                                             << QStringList{"flour", "2 eggs"};
        QTest::newRow(qPrintable(how + "nothing selected")) << dropped << 3 << 3 << QStringList();
    }
}

void tst_PlanToShop::noteLinesGoOntoTheList()
{
    QFETCH(bool, dropped);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QStringList, added);

    QTextCursor cursor = f->box()->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    f->box()->setTextCursor(cursor);
    const QStringList before = groceryEntries(f->window.get());
    if (dropped) {
        QMimeData text;
        text.setText(cursor.selection().toPlainText());
        // A drop goes only where the drag was taken in.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(f->list()->viewport(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(f->list()->viewport(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
    } else {
        bool enabled = false;
        QAction *add = f->window->findChild<QAction *>("actionAddToGroceryList");
        QTimer::singleShot(0, [&enabled, add] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (menu)
                menu->close();
            enabled = menu && menu->actions().contains(add) && add->isEnabled();
            if (enabled)
                add->trigger();
        });
        emit f->box()->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(enabled, !added.isEmpty());
    }
    QCOMPARE(readFile(f->listPath()), (before + added).join('\n').toUtf8());
    QCOMPARE(groceryEntries(f->window.get()), before + added);
    QCOMPARE(f->box()->toPlainText(), note);
}

// The list's own items dragged onto it carry no text; the list view would add them
// unwritten.
void tst_PlanToShop::dropWithoutTextIsRefused()
{
    const QModelIndex first = f->list()->model()->index(0, 0);
    const std::unique_ptr<QMimeData> items(f->list()->model()->mimeData({first}));
    QVERIFY(!items->hasText());
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, items.get(), Qt::LeftButton, {});
    QApplication::sendEvent(f->list()->viewport(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, items.get(), Qt::LeftButton, {});
    QApplication::sendEvent(f->list()->viewport(), &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(groceryEntries(f->window.get()), (QStringList{"eggs", "milk", "tea"}));
}

void tst_PlanToShop::listCommandsAreUndoneOnTheListAsItNowIs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("outside");
    // The file after the command, after Ctrl+Z and after Ctrl+Shift+Z.
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("add") << "AddItemButton" << QByteArray()
                         << QStringList{"eggs milk tea bread", "eggs milk tea", "eggs milk tea bread"};
    QTest::newRow("add, then an item added elsewhere")
            << "AddItemButton" << QByteArray("rice\neggs\nmilk\ntea\nbread")
            << QStringList{"eggs milk tea bread", "rice eggs milk tea", "rice eggs milk tea bread"};
    QTest::newRow("delete") << "DeleteItemButton" << QByteArray()
                            << QStringList{"eggs tea", "eggs milk tea", "eggs tea"};
    QTest::newRow("delete, then the list shortened elsewhere")
            << "DeleteItemButton" << QByteArray("tea") << QStringList{"eggs tea", "tea milk", "tea"};
    QTest::newRow("clear") << "ClearListButton" << QByteArray() << QStringList{"", "eggs milk tea", ""};
    QTest::newRow("clear, then an item added elsewhere")
            << "ClearListButton" << QByteArray("rice") << QStringList{"", "eggs milk tea rice", ""};
    QTest::newRow("tick by Space") << "Space" << QByteArray()
                                   << QStringList{"eggs x milk tea", "eggs milk tea", "eggs x milk tea"};
    QTest::newRow("tick by a click on its box") << "box" << QByteArray()
                                                << QStringList{"eggs x milk tea", "eggs milk tea", "eggs x milk tea"};
    QTest::newRow("tick, then the item deleted elsewhere")
            << "Space" << QByteArray("eggs\ntea") << QStringList{"eggs x milk tea", "eggs tea", "eggs tea"};
    QTest::newRow("move up") << "Alt+Up" << QByteArray() << QStringList{"milk eggs tea", "eggs milk tea", "milk eggs tea"};
    QTest::newRow("move down, then an item added elsewhere")
            << "Alt+Down" << QByteArray("eggs\ntea\nmilk\nrice")
            << QStringList{"eggs tea milk", "eggs milk tea rice", "eggs tea milk rice"};
    QTest::newRow("tick, then the list reordered elsewhere")
            << "Space" << QByteArray("x milk\ntea\neggs") << QStringList{"eggs x milk tea", "milk tea eggs", "x milk tea eggs"};
}

void tst_PlanToShop::listCommandsAreUndoneOnTheListAsItNowIs()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, outside);
    QFETCH(QStringList, steps);

    MessageLog dialogs;
    dialogs.answer = QMessageBox::Yes;
    dialogs.typed = "bread";
    f->list()->setCurrentRow(1);
    if (command == "Space" || command.startsWith("Alt")) {
        f->list()->setFocus();
        QTRY_VERIFY(f->list()->hasFocus());
        QTest::keySequence(f->list(), QKeySequence(command));
    } else if (command == "box") {
        QStyleOptionViewItem option;
        option.initFrom(f->list());
        option.rect = f->list()->visualItemRect(f->list()->item(1));
        option.features = QStyleOptionViewItem::HasCheckIndicator;
        const QRect box = f->list()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, f->list());
        QTest::mouseClick(f->list()->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
    } else {
        f->click(command.toLatin1());
    }
    QStringList files = {QString(readFile(f->listPath())).replace('\n', ' ')};
    if (!outside.isEmpty())
        QVERIFY(writeFile(f->listPath(), outside));
    f->window->activateWindow();
    f->list()->setFocus();
    QTRY_VERIFY(f->list()->hasFocus());
    for (const QKeySequence &keys : {QKeySequence(QKeySequence::Undo), QKeySequence("Ctrl+Shift+Z")}) {
        QTest::keySequence(f->list(), keys);
        files << QString(readFile(f->listPath())).replace('\n', ' ');
        QCOMPARE(groceryEntries(f->window.get()).join(' '), files.last());
    }
    QCOMPARE(files, steps);
}

void tst_PlanToShop::ctrlZInTheNoteBoxUndoesTyping()
{
    MessageLog dialogs;
    dialogs.typed = "bread";
    f->click("AddItemButton");
    f->click("EditButton");
    f->box()->setFocus();
    f->box()->moveCursor(QTextCursor::End);
    QTest::keyClicks(f->box(), "!");
    QTest::keySequence(f->box(), QKeySequence::Undo);
    QCOMPARE(f->box()->toPlainText(), note);
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\ntea\nbread"));
}

void tst_PlanToShop::weekDocumentHoldsTheWeekAndTheList_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("firstDay");
    QTest::addColumn<QString>("lastDay");

    QTest::newRow("week from Monday") << QLocale(QLocale::English, QLocale::UnitedKingdom)
                                      << "Monday, 16 September 2019" << "Sunday, 22 September 2019";
    QTest::newRow("week from Sunday") << QLocale(QLocale::English, QLocale::UnitedStates)
                                      << "Sunday, September 15, 2019" << "Saturday, September 21, 2019";
}

void tst_PlanToShop::weekDocumentHoldsTheWeekAndTheList()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, firstDay);
    QFETCH(QString, lastDay);

    QLocale::setDefault(locale);
    QList<DayNote> notes;
    for (const QDate &date : weekHolding(day))
        notes << DayNote(date, date == day ? "<b>soup</b> & bread" : "");
    std::unique_ptr<QTextDocument> week(weekDocument(notes, {"eggs", "x <i>milk</i>"}));
    QLocale::setDefault(QLocale::c());
    const QStringList lines = week->toPlainText().split('\n');
    QCOMPARE(lines.size(), 7 + 1 + 1 + 2);
    QCOMPARE(lines.first(), firstDay);
    QCOMPARE(lines.at(lines.indexOf(locale.toString(day, QLocale::LongFormat)) + 1),
             QString("<b>soup</b> & bread"));
    QCOMPARE(lines.mid(7), (QStringList{lastDay, "Grocery List", "eggs", "<i>milk</i>"}));
    // The ticked item struck through, the other not.
    QVERIFY(week->lastBlock().charFormat().fontStrikeOut());
    QVERIFY(!week->lastBlock().previous().charFormat().fontStrikeOut());

    QTemporaryDir folder;
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath("week.pdf"));
    week->print(&printer);
    QVERIFY(readFile(folder.filePath("week.pdf")).startsWith("%PDF"));
}

void tst_PlanToShop::mealPlannedAgainOnAnotherDay_data()
{
    QTest::addColumn<QByteArray>("other");       // the other day's note; none where empty
    QTest::addColumn<bool>("movedOn");           // another day picked before Ctrl+Z
    QTest::addColumn<QByteArray>("pasted");

    QTest::newRow("onto a note") << QByteArray("Soup") << false << QByteArray("Soup\n") + note.toUtf8();
    QTest::newRow("onto a note ending its line")
            << QByteArray("Soup\n") << false << QByteArray("Soup\n") + note.toUtf8();
    QTest::newRow("onto a day without a note") << QByteArray() << false << note.toUtf8();
    QTest::newRow("taken back after moving on") << QByteArray("Soup") << true
                                                << QByteArray("Soup\n") + note.toUtf8();
}

// Ctrl+C and Ctrl+V in the calendar, then Ctrl+Z there: the pasted note goes again, on
// the day it was pasted on.
void tst_PlanToShop::mealPlannedAgainOnAnotherDay()
{
    QFETCH(QByteArray, other);
    QFETCH(bool, movedOn);
    QFETCH(QByteArray, pasted);

    const QDate otherDay = day.addDays(7);
    if (!other.isEmpty())
        QVERIFY(writeFile(f->notePath(otherDay), other));
    auto *view = f->calendar()->findChild<QWidget *>("qt_calendar_calendarview");
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    QApplication::clipboard()->clear();
    QTest::keySequence(view, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), note);
    f->calendar()->setSelectedDate(otherDay);
    QTest::keySequence(view, QKeySequence::Paste);
    QCOMPARE(readFile(f->notePath(otherDay)), pasted);
    QCOMPARE(f->box()->toPlainText(), QString(pasted));
    if (movedOn)
        f->calendar()->setSelectedDate(day);
    QTest::keySequence(view, QKeySequence::Undo);
    QCOMPARE(f->calendar()->selectedDate(), otherDay);
    QCOMPARE(readFile(f->notePath(otherDay)), other);
    QCOMPARE(readFile(f->listPath()), QByteArray("eggs\nmilk\ntea"));
    QTest::keySequence(view, QKeySequence("Ctrl+Shift+Z"));
    QCOMPARE(readFile(f->notePath(otherDay)), pasted);
}

void tst_PlanToShop::pastMealFoundAndPicked_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found"); // newest first

    QTest::newRow("a word in two notes") << "EGGS"
                                         << QStringList{"Monday, 23 September 2019: Eggs on toast",
                                                        "Thursday, 19 September 2019: 2 eggs"};
    QTest::newRow("all the words, accents ignored") << "creme eggs"
                                                    << QStringList{"Monday, 23 September 2019: Eggs on toast"};
    QTest::newRow("nothing found") << "curry" << QStringList();
}

// Ctrl+F, typing, and Return on the first day found, by keyboard alone.
void tst_PlanToShop::pastMealFoundAndPicked()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);

    QVERIFY(writeFile(f->notePath(day.addDays(4)), "Eggs on toast\nCrème brûlée"));
    QVERIFY(writeFile(f->notePath(day.addDays(-30)), "Soup"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QStringList shown;
    QString told;
    answerNextDialog<QDialog>([&](QDialog *dialog) {
        auto *days = dialog->findChild<QListWidget *>("FoundDays");
        QCOMPARE(days->accessibleName(), QString("Days found"));
        QTest::keyClicks(dialog->findChild<QLineEdit *>("FindText"), typed);
        QTRY_COMPARE(days->count(), found.size());
        for (int row = 0; row < days->count(); ++row)
            shown << days->item(row)->text();
        told = dialog->findChild<QLabel *>("FoundCount")->text();
        days->setFocus();
        days->setCurrentRow(0);
        QTest::keyClick(days, Qt::Key_Return);
        if (found.isEmpty())
            dialog->reject();
    });
    QTest::keySequence(f->window.get(), QKeySequence::Find);
    QLocale::setDefault(QLocale::system());
    QCOMPARE(shown, found);
    QCOMPARE(told, found.size() == 1 ? QString("1 day found") : QString("%1 days found").arg(found.size()));
    QCOMPARE(f->calendar()->selectedDate(), found.isEmpty() ? day : day.addDays(4));
}

QTEST_MAIN(tst_PlanToShop)
#include "tst_plantoshop.moc"
