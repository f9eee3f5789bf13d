// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "accessibility.h"
#include "calendaraccessible.h"
#include "calendarcolours.h"
#include "conflictmerger.h"
#include "daynames.h"
#include "daytooltips.h"
#include "findmealdialog.h"
#include "groceryitems.h"
#include "grocerylistcontroller.h"
#include "groceryrows.h"
#include "mealnotecontroller.h"
#include "messageboxes.h"
#include "spokennotice.h"
#include "rowdragfilter.h"
#include "textdropfilter.h"
#include "versionupkeep.h"
#include "weekdocument.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputDialog>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUndoGroup>
#include <QUndoStack>

#include <memory>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , groceryListPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/list.txt"))
    , savedMealsPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/saved_meals/"))
    , ui(new Ui::MainWindow)
    , actions(this)
    , versionRecord(QDir::homePath() + QLatin1String("/Documents/ladlewise/data"),
                    QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                            + QLatin1String("/ladlewise"))
    , conflictMerger(new ConflictMerger(&versionRecord, this))
    , mealNotes(new MealNoteController(savedMealsPath, conflictMerger, this))
    , groceryList(new GroceryListController(groceryListPath, conflictMerger, this))
    , groceryListDrop(new TextDropFilter(this))
    , groceryListDrag(new RowDragFilter(this))
    , listNotice(new SpokenNotice(this))
    , history(new QUndoGroup(this))
{
    // Named before the form is built, whose last step connects their signals by name.
    groceryListDrop->setObjectName(QStringLiteral("GroceryListDrop"));
    groceryListDrag->setObjectName(QStringLiteral("GroceryListDrag"));
    connectControllers();
    // Before the form, whose calendar would otherwise get the toolkit's own interface.
    installCalendarAccessibility();
    ui->setupUi(this);
    actions.addTo(this, ui->GroceryList, ui->Calendar);
    ui->Calendar->setContextMenuPolicy(Qt::CustomContextMenu);
    makeAccessible();
    new DayToolTips(ui->Calendar, [this](const QDate &day) { return mealNotes->mealNotePreview(day); });
    addHistoryActions();
    groceryListDrop->watch(ui->GroceryList->viewport());
    groceryListDrag->watch(ui->GroceryList);
    setViewMode();
    groceryList->loadGroceryList();
    showMealNote(mealNotes->openMealNotes(ui->Calendar->selectedDate(), ui->Calendar->yearShown(),
                                          ui->Calendar->monthShown()));
}

// The widgets going hand the focus on while the window is no longer whole.
MainWindow::~MainWindow()
{
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    delete ui;
}

// Read failures wait for the event loop, so that the window is up and no command is
// held half-way when the warning shows.
void MainWindow::connectControllers()
{
    auto *upkeep = new VersionUpkeep(&versionRecord, this);
    upkeep->follow(mealNotes->file());
    upkeep->follow(groceryList->file());
    mealNotes->setReplaceQuestion([this] { return confirmReplacingMealNote(); });
    connect(mealNotes, &MealNoteController::noteChanged, this, &MainWindow::showMealNote);
    connect(mealNotes, &MealNoteController::daysWithNotesChanged, this, &MainWindow::markDaysWithNotes);
    connect(mealNotes, &MealNoteController::dayWanted, this, [this](const QDate &day) {
        ui->Calendar->setSelectedDate(day);
    });
    connect(groceryList, &GroceryListController::changed, this, &MainWindow::showGroceryList);
    connect(groceryList, &GroceryListController::announce, listNotice, &SpokenNotice::say);
    connect(groceryList, &GroceryListController::announcePolitely, listNotice, &SpokenNotice::sayPolitely);
    connect(mealNotes, &MealNoteController::announce, listNotice, &SpokenNotice::say);
    connect(mealNotes, &MealNoteController::saveFailed, this, &MainWindow::warnSaveFailed);
    connect(groceryList, &GroceryListController::saveFailed, this, &MainWindow::warnSaveFailed);
    connect(mealNotes, &MealNoteController::readFailed, this, &MainWindow::warnReadFailed, Qt::QueuedConnection);
    connect(groceryList, &GroceryListController::readFailed, this, &MainWindow::warnReadFailed,
            Qt::QueuedConnection);
}

void MainWindow::makeAccessible()
{
    nameCalendarControls(ui->Calendar);
    followCellSelection(ui->Calendar);
    announceFocusedDay(ui->Calendar);
    nameDaysByMonth(ui->Calendar);
    followItemSelection(ui->GroceryList);
    ui->label->setBuddy(ui->GroceryList);
    new CalendarColours(ui->Calendar);
}

// Undo and redo take back list commands, and in the calendar the notes pasted there;
// in the note box, while editing, the same keys keep working on the typing, since the
// box claims them first.
void MainWindow::addHistoryActions()
{
    history->addStack(groceryList->history());
    history->addStack(mealNotes->history());
    history->setActiveStack(groceryList->history());
    undoAction = history->createUndoAction(this, QStringLiteral("Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    redoAction = history->createRedoAction(this, QStringLiteral("Redo"));
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                              QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({undoAction, redoAction});
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { followFocusWithHistory(now); });
}

void MainWindow::followFocusWithHistory(QWidget *now)
{
    const bool inCalendar = now && (now == ui->Calendar || ui->Calendar->isAncestorOf(now));
    history->setActiveStack(inCalendar ? mealNotes->history() : groceryList->history());
}

// The order matters: a focused button that gets disabled hands the focus on to the
// next enabled widget, so Edit passes it to Save, and Save passes it to Add Item.
void MainWindow::setViewMode()
{
    ui->SaveButton->setEnabled(false);
    ui->EditButton->setEnabled(true);
    ui->TextBox->setReadOnly(true);
    mealNotes->setEditing(false);
    describeMealNote();
}

void MainWindow::setEditMode()
{
    ui->SaveButton->setEnabled(true);
    ui->EditButton->setEnabled(false);
    ui->TextBox->setReadOnly(false);
    mealNotes->setEditing(true);
    describeMealNote();
}

// A screen reader hears which day the box holds whenever that or its mode changes.
void MainWindow::describeMealNote()
{
    announceAccessibleText(ui->TextBox, mealNoteName(ui->Calendar->selectedDate()),
                           mealNoteDescription(!ui->TextBox->document()->isEmpty(),
                                               !ui->TextBox->isReadOnly()));
}

void MainWindow::on_EditButton_clicked()
{
    setEditMode();
}

// From the keyboard, Edit also puts the cursor where typing goes on.
void MainWindow::on_actionEdit_triggered()
{
    if (!ui->EditButton->isEnabled())
        return;
    ui->EditButton->click();
    // The focus first, so that a screen reader speaks the box and its new mode.
    ui->TextBox->setFocus(Qt::ShortcutFocusReason);
    ui->TextBox->moveCursor(QTextCursor::End);
}

// A screen reader speaks the end of editing only when the focus moves, so from the
// box the focus goes on to Edit, as it moves on from Save after a click.
void MainWindow::on_actionSave_triggered()
{
    const bool fromTheBox = ui->TextBox->hasFocus();
    ui->SaveButton->click();
    if (fromTheBox && ui->TextBox->isReadOnly())
        ui->EditButton->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_TextBox_customContextMenuRequested(const QPoint &position)
{
    std::unique_ptr<QMenu> menu(ui->TextBox->createStandardContextMenu(position));
    actions.addToGroceryList->setEnabled(ui->TextBox->textCursor().hasSelection());
    menu->addSeparator();
    menu->addAction(actions.addToGroceryList);
    menu->addAction(actions.printWeek);
    menu->exec(ui->TextBox->viewport()->mapToGlobal(position));
}

void MainWindow::on_actionAddToGroceryList_triggered()
{
    groceryList->addItems(groceryItems(ui->TextBox->textCursor().selection().toPlainText()));
}

void MainWindow::on_SaveButton_clicked()
{
    setViewMode();
    if (!storeMealNote())
        setEditMode();
}

void MainWindow::on_Calendar_selectionChanged()
{
    setViewMode();
    loadMealNote();
}

void MainWindow::on_Calendar_currentPageChanged(int year, int month)
{
    mealNotes->showMonth(year, month);
}

// A new day starts from an empty box, so that nothing of the day before, its undo
// history included, stays.
void MainWindow::loadMealNote()
{
    ui->TextBox->setText(QString());
    showMealNote(mealNotes->loadMealNote(ui->Calendar->selectedDate()));
}

// Setting the same text again would move the cursor and the scroll position.
void MainWindow::showMealNote(const QString &note)
{
    if (note != ui->TextBox->toPlainText())
        ui->TextBox->setPlainText(note);
    describeMealNote();
}

bool MainWindow::storeMealNote()
{
    return mealNotes->storeMealNote(ui->TextBox->toPlainText());
}

bool MainWindow::confirmReplacingMealNote()
{
    const QMessageBox::StandardButton answer = askQuestion(
            this, QStringLiteral("Note Changed"),
            QStringLiteral("The meal note for %1 was changed by another program since you began "
                           "editing. Replace it with your text?")
                    .arg(dayNoteText(ui->Calendar->selectedDate(), systemDayNames())),
            QMessageBox::No);
    return answer == QMessageBox::Yes;
}

// Bold, and underlined too, so that weight is not all that tells these days.
void MainWindow::markDaysWithNotes(const QSet<QDate> &days)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontUnderline(true);
    ui->Calendar->setDateTextFormat(QDate(), QTextCharFormat());
    for (const QDate &day : days)
        ui->Calendar->setDateTextFormat(day, bold);
}

void MainWindow::warnSaveFailed(const QString &message)
{
    showWarning(this, QStringLiteral("Save Failed"), message);
}

void MainWindow::warnReadFailed(const QString &message)
{
    showWarning(this, QStringLiteral("Read Failed"), message);
}

// Only the stretch that changed is replaced, so that the current entry and the view
// stay where the list did not change.
void MainWindow::showGroceryList()
{
    QListWidget *list = ui->GroceryList;
    const QStringList before = shownGroceryItems;
    shownGroceryItems = groceryList->items();
    const int current = list->currentRow();
    const GroceryListEdit edit = groceryListEdit(before, shownGroceryItems);
    list->model()->removeRows(edit.first, edit.removed);
    list->insertItems(edit.first, groceryItemTexts(edit.inserted));
    showGroceryItems(edit.first, edit.inserted);
    const int followed = followedGroceryRow(before, current, shownGroceryItems, edit);
    if (followed != list->currentRow())
        list->setCurrentRow(followed);
}

// Each item as its line reads: a box to tick it, and struck through once ticked, in
// the list's own colours so that it stays as readable. The view hears of the rows
// once, not of each item's every part, which a long list would wait for.
void MainWindow::showGroceryItems(int first, const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    QAbstractItemModel *model = ui->GroceryList->model();
    {
        const QSignalBlocker quiet(model);
        for (int i = 0; i < lines.size(); ++i) {
            QListWidgetItem *item = ui->GroceryList->item(first + i);
            const bool ticked = groceryItemOfLine(lines.at(i)).ticked;
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
            if (ticked) {
                QFont struck = item->font();
                struck.setStrikeOut(true);
                item->setFont(struck);
                item->setData(Qt::AccessibleTextRole, item->text() + QStringLiteral(", ticked"));
            }
        }
    }
    const QSignalBlocker notTheUsersTick(ui->GroceryList);
    emit model->dataChanged(model->index(first, 0), model->index(first + lines.size() - 1, 0));
}

void MainWindow::on_GroceryList_itemChanged(QListWidgetItem *item)
{
    groceryList->setTicked(ui->GroceryList->row(item), item->checkState() == Qt::Checked);
}

void MainWindow::on_actionRemoveTicked_triggered()
{
    const int ticked = groceryList->tickedCount();
    if (ticked > 1 && askQuestion(this, QStringLiteral("Remove Ticked"),
                                  QStringLiteral("Remove the %1 ticked items from the list?").arg(ticked),
                                  QMessageBox::Yes) != QMessageBox::Yes) {
        return;
    }
    groceryList->removeTicked();
}

void MainWindow::on_actionMoveItemUp_triggered()
{
    groceryList->moveItem(ui->GroceryList->currentRow(), ui->GroceryList->currentRow() - 1);
}

void MainWindow::on_actionMoveItemDown_triggered()
{
    groceryList->moveItem(ui->GroceryList->currentRow(), ui->GroceryList->currentRow() + 1);
}

void MainWindow::on_GroceryListDrag_rowDropped(int from, int to)
{
    groceryList->moveItem(from, to);
}

void MainWindow::on_actionFindMeal_triggered()
{
    FindMealDialog dialog(savedMealsPath, this);
    if (dialog.exec() == QDialog::Accepted && dialog.chosenDay().isValid()) {
        ui->Calendar->setSelectedDate(dialog.chosenDay());
        ui->Calendar->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::on_actionPreviousYear_triggered()
{
    ui->Calendar->setSelectedDate(ui->Calendar->selectedDate().addYears(-1));
}

void MainWindow::on_actionNextYear_triggered()
{
    ui->Calendar->setSelectedDate(ui->Calendar->selectedDate().addYears(1));
}

// The note as saved, not what is being typed.
void MainWindow::on_actionCopyMealNote_triggered()
{
    const QString note = mealNotes->storedMealNote(ui->Calendar->selectedDate());
    if (!note.isEmpty())
        QGuiApplication::clipboard()->setText(note);
}

// Added to the day's note as Save writes it; while the box is being edited, its
// unsaved text must not be written around.
void MainWindow::on_actionPasteMealNote_triggered()
{
    if (ui->TextBox->isReadOnly())
        mealNotes->pasteMealNote(ui->Calendar->selectedDate(), QGuiApplication::clipboard()->text());
}

void MainWindow::on_Calendar_customContextMenuRequested(const QPoint &position)
{
    actions.copyMealNote->setEnabled(!mealNotes->storedMealNote(ui->Calendar->selectedDate()).isEmpty());
    actions.pasteMealNote->setEnabled(ui->TextBox->isReadOnly()
                                      && !QGuiApplication::clipboard()->text().trimmed().isEmpty());
    QMenu menu;
    menu.addActions({actions.copyMealNote, actions.pasteMealNote, actions.findMeal});
    menu.addSeparator();
    menu.addActions({undoAction, redoAction});
    menu.exec(ui->Calendar->mapToGlobal(position));
    actions.copyMealNote->setEnabled(true);
    actions.pasteMealNote->setEnabled(true);
}

void MainWindow::on_AddItemButton_clicked()
{
    QInputDialog dialog;
    dialog.setLabelText(QStringLiteral("Enter Item Name"));
    dialog.setWindowTitle(QStringLiteral("Add Item"));
    dialog.exec();
    groceryList->addItems(dialog.result() ? groceryItems(dialog.textValue()) : QStringList());
}

void MainWindow::on_GroceryListDrop_textDropped(const QString &text)
{
    groceryList->addItems(groceryItems(text));
}

void MainWindow::on_DeleteItemButton_clicked()
{
    groceryList->deleteItem(ui->GroceryList->currentRow());
}

void MainWindow::on_actionAddItem_triggered()
{
    ui->AddItemButton->click();
}

void MainWindow::on_actionInsertItem_triggered()
{
    ui->AddItemButton->click();
}

void MainWindow::on_actionDeleteItem_triggered()
{
    ui->DeleteItemButton->click();
}

void MainWindow::on_actionClearList_triggered()
{
    ui->ClearListButton->click();
}

void MainWindow::on_ClearListButton_clicked()
{
    const QMessageBox::StandardButton answer = askQuestion(
            this, QStringLiteral("Clear List"), QStringLiteral("Are you sure you want to clear the list?"),
            QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        groceryList->clearList();
    else
        groceryList->saveGroceryList();
}

void MainWindow::on_GroceryList_customContextMenuRequested(const QPoint &position)
{
    QMenu menu;
    menu.addActions({actions.addItem, actions.deleteItem, actions.removeTicked, actions.clearList});
    menu.addSeparator();
    menu.addActions({actions.moveItemUp, actions.moveItemDown});
    menu.addSeparator();
    menu.addActions({undoAction, redoAction});
    menu.addSeparator();
    menu.addActions({actions.copyList, actions.printWeek});
    menu.exec(ui->GroceryList->viewport()->mapToGlobal(position));
}

// As people read the list in a message, not as its file marks a tick.
void MainWindow::on_actionCopyList_triggered()
{
    QStringList items;
    for (const QString &line : groceryList->items())
        items << groceryItemForReading(line);
    QGuiApplication::clipboard()->setText(items.join(QLatin1Char('\n')));
}

// The week holding the selected day, with the list, in a print preview; printing to
// a PDF file goes through its print dialog.
void MainWindow::on_actionPrintWeek_triggered()
{
    const QList<QDate> days = weekHolding(ui->Calendar->selectedDate());
    const QStringList texts = mealNotes->storedMealNotes(days);
    QList<DayNote> notes;
    for (int i = 0; i < days.size(); ++i)
        notes << DayNote(days.at(i), texts.at(i));
    const std::unique_ptr<QTextDocument> week(weekDocument(notes, groceryList->items()));
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print Week"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&week](QPrinter *target) { week->print(target); });
    preview.exec();
}
