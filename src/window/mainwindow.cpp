#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "accessibility.h"
#include "calendaraccessible.h"
#include "calendarcolours.h"
#include "conflictmerger.h"
#include "daynotefiles.h"
#include "folderlock.h"
#include "grocerycommands.h"
#include "messageboxes.h"
#include "spokennotice.h"
#include "syncedfile.h"
#include "textdropfilter.h"
#include "weekdocument.h"

#include <QClipboard>
#include <QDir>
#include <QHash>
#include <QInputDialog>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QSet>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QUndoStack>

#include <memory>

namespace {

// How long another window may keep the folder before the user is told.
const qint64 groceryListBusyWarning = 5000;
// The record of versions is tidied this long after the last save, out of its way.
const int versionUpkeepDelay = 2000;

QString dataFolder()
{
    return QDir::homePath() + QLatin1String("/Documents/ladlewise/data");
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , groceryListPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/list.txt"))
    , savedMealsPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/saved_meals/"))
    , ui(new Ui::MainWindow)
    , actions(this)
    , versionRecord(dataFolder(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                          + QLatin1String("/ladlewise"))
    , mealNoteFile(new SyncedFile(this))
    , groceryListFile(new SyncedFile(this))
    , groceryListDrop(new TextDropFilter(this))
    , groceryHistory(new QUndoStack(this))
    , conflictMerger(new ConflictMerger(&versionRecord, this))
    , groceryListRetry(new QTimer(this))
    , versionUpkeep(new QTimer(this))
    , listNotice(new SpokenNotice(this))
{
    // Named before the form is built, whose last step connects their signals by name.
    mealNoteFile->setObjectName(QStringLiteral("MealNoteFile"));
    groceryListFile->setObjectName(QStringLiteral("GroceryListFile"));
    groceryListDrop->setObjectName(QStringLiteral("GroceryListDrop"));
    versionUpkeep->setObjectName(QStringLiteral("VersionUpkeep"));
    versionUpkeep->setSingleShot(true);
    for (SyncedFile *file : {mealNoteFile, groceryListFile}) {
        file->setRecord(&versionRecord);
        connect(file, &SyncedFile::written, versionUpkeep, [this] { versionUpkeep->start(versionUpkeepDelay); });
    }
    conflictMerger->setNamesToJoin(noteNamesToJoin);
    // A sync tool may bring thousands of notes; each look lists the whole folder, so
    // while it keeps changing the window looks at most every 750 ms.
    mealNoteFile->setBusyFolderInterval(750);
    // Before the form, whose calendar would otherwise get the toolkit's own interface.
    installCalendarAccessibility();
    ui->setupUi(this);
    actions.addTo(this, ui->GroceryList);
    makeAccessible();
    addHistoryActions();
    groceryListDrop->watch(ui->GroceryList->viewport());
    setViewMode();
    groceryListRetry->setSingleShot(true);
    connect(groceryListRetry, &QTimer::timeout, this, &MainWindow::writeGroceryList);
    loadGroceryList();
    loadMealNote(lookAfterMealNotes(savedMealFiles()));
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::makeAccessible()
{
    nameCalendarControls(ui->Calendar);
    followCellSelection(ui->Calendar);
    announceFocusedDay(ui->Calendar);
    followItemSelection(ui->GroceryList);
    ui->label->setBuddy(ui->GroceryList);
    new CalendarColours(ui->Calendar);
}

// Undo and redo take back list commands; in the note box, while editing, the same
// keys keep working on the typing, since the box claims them first.
void MainWindow::addHistoryActions()
{
    undoAction = groceryHistory->createUndoAction(this, QStringLiteral("Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    redoAction = groceryHistory->createRedoAction(this, QStringLiteral("Redo"));
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                              QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({undoAction, redoAction});
}

// The order matters: a focused button that gets disabled hands the focus on to the
// next enabled widget, so Edit passes it to Save, and Save passes it to Add Item.
void MainWindow::setViewMode()
{
    ui->SaveButton->setEnabled(false);
    ui->EditButton->setEnabled(true);
    ui->TextBox->setReadOnly(true);
    describeMealNote();
}

void MainWindow::setEditMode()
{
    ui->SaveButton->setEnabled(true);
    ui->EditButton->setEnabled(false);
    ui->TextBox->setReadOnly(false);
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
    addGroceryItems(groceryItems(ui->TextBox->textCursor().selection().toPlainText()));
}

void MainWindow::on_SaveButton_clicked()
{
    // Saving may ask or warn; meanwhile the locked box still holds the unsaved text,
    // which a change on disk must not replace.
    const QSignalBlocker keepTypedText(mealNoteFile);
    setViewMode();
    if (storeMealNote())
        markDaysWithNotes(savedMealFiles());
    else
        setEditMode();
}

void MainWindow::on_Calendar_selectionChanged()
{
    setViewMode();
    loadMealNote(savedMealFiles());
}

// Another window may be writing: the upkeep waits for the next pause.
void MainWindow::on_VersionUpkeep_timeout()
{
    const FolderLock lock(versionRecord.dataFolder());
    if (lock.isHeld())
        versionRecord.maintain(lock);
    else
        versionUpkeep->start(versionUpkeepDelay);
}

void MainWindow::on_Calendar_currentPageChanged(int year, int month)
{
    Q_UNUSED(year)
    Q_UNUSED(month)
    markDaysWithNotes(savedMealFiles());
}

void MainWindow::on_MealNoteFile_changedOnDisk()
{
    reloadMealNotes();
}

// One listing of the notes folder serves the marks and, in view mode, the note shown.
void MainWindow::reloadMealNotes()
{
    const QStringList noteFiles = lookAfterMealNotes(savedMealFiles());
    if (ui->TextBox->isReadOnly())
        showMealNote(noteFiles);
}

// Merges what sync tools and other languages left, and marks the days; the listing
// as it is then.
QStringList MainWindow::lookAfterMealNotes(QStringList noteFiles)
{
    if (conflictMerger->mergeNoteCopies(savedMealsPath, noteFiles))
        noteFiles = savedMealFiles();
    markDaysWithNotes(noteFiles);
    return noteFiles;
}

QString MainWindow::selectedDateText() const
{
    return ui->Calendar->selectedDate().toString(Qt::TextDate);
}

// Names only, in the folder's own order (by name, case ignored); the marks read the
// sizes of the few files they need.
QStringList MainWindow::savedMealFiles() const
{
    return QDir(savedMealsPath).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::NoSort);
}

QString MainWindow::readTextFile(const QString &path) const
{
    return SyncedFile::readText(path);
}

// Days with a note are bold: those whose shown file has text, since the box shows an
// empty one as no note. The marks cover every day the calendar can show for its
// month, the grey ones of its neighbours included.
void MainWindow::markDaysWithNotes(const QStringList &noteFiles)
{
    const QDate firstOfMonth(ui->Calendar->yearShown(), ui->Calendar->monthShown(), 1);
    const QHash<QDate, QString> shownFiles =
            shownNoteFiles(noteFiles, firstOfMonth.addDays(-7), firstOfMonth.addDays(41));
    QSet<QDate> marked;
    for (auto shown = shownFiles.cbegin(); shown != shownFiles.cend(); ++shown) {
        if (QFileInfo(savedMealsPath + shown.value()).size() > 0)
            marked.insert(shown.key());
    }
    // Marking again repaints the calendar, which a folder that keeps changing
    // elsewhere need not cost.
    const QList<QDate> markedBefore = ui->Calendar->dateTextFormat().keys();
    if (marked == QSet<QDate>(markedBefore.begin(), markedBefore.end()))
        return;
    // Underlined too, so that weight is not all that tells these days.
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontUnderline(true);
    ui->Calendar->setDateTextFormat(QDate(), QTextCharFormat());
    for (const QDate &day : qAsConst(marked))
        ui->Calendar->setDateTextFormat(day, bold);
}

// A new day starts from an empty box, so that nothing of the day before, its undo
// history included, stays.
void MainWindow::loadMealNote(const QStringList &noteFiles)
{
    ui->TextBox->setText(QString());
    showMealNote(noteFiles);
}

// The box shows the note Save writes, which is the file kept in step; only a day
// with look-alikes alone shows one of those.
void MainWindow::showMealNote(const QStringList &noteFiles)
{
    const DayNoteFiles files = followMealNote(noteFiles);
    // A folder that cannot be listed may well hold the day's note.
    const QString folderError = noteFiles.isEmpty() ? SyncedFile::listingError(savedMealsPath)
                                                    : QString();
    mealNoteFile->refuseWrites(folderError);
    tellIfUnreadable(savedMealsPath, folderError);
    QString note;
    if (files.shown == files.written)
        note = mealNoteFile->read();
    else if (!files.shown.isEmpty())
        note = readTextFile(savedMealsPath + files.shown);
    tellIfUnreadable(mealNoteFile->path(), mealNoteFile->readError());
    // Setting the same text again would move the cursor and the scroll position.
    if (note != ui->TextBox->toPlainText())
        ui->TextBox->setPlainText(note);
    describeMealNote();
}

// Keeps the file Save writes in step, watching every file of the selected day.
DayNoteFiles MainWindow::followMealNote(const QStringList &noteFiles)
{
    const DayNoteFiles files = dayNoteFiles(noteFiles, ui->Calendar->selectedDate());
    QStringList watched;
    for (const QString &name : files.watched)
        watched << savedMealsPath + name;
    mealNoteFile->setPath(savedMealsPath + files.written, watched);
    return files;
}

QString MainWindow::storedMealNote(const QStringList &noteFiles, const QDate &day) const
{
    const QString shown = dayNoteFiles(noteFiles, day).shown;
    return shown.isEmpty() ? QString() : readTextFile(savedMealsPath + shown);
}

// Yes to "Note Changed" writes the text over the note as the day's files now are,
// names in two languages joined first, so that nothing it replaced comes back.
bool MainWindow::storeMealNote()
{
    const QString note = ui->TextBox->toPlainText();
    SyncedFile::WriteResult result;
    while ((result = mealNoteFile->write(note)) == SyncedFile::ChangedOnDisk) {
        if (!confirmReplacingMealNote())
            return false;
        followMealNote(lookAfterMealNotes(savedMealFiles()));
        mealNoteFile->refresh();
    }
    if (result != SyncedFile::Written) {
        warnSaveFailed(QStringLiteral("The meal note could not be saved to %1: %2"), mealNoteFile);
        return false;
    }
    return true;
}

bool MainWindow::confirmReplacingMealNote()
{
    const QMessageBox::StandardButton answer = askQuestion(
            this, QStringLiteral("Note Changed"),
            QStringLiteral("The meal note for %1 was changed by another program since you began "
                           "editing. Replace it with your text?").arg(selectedDateText()),
            QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void MainWindow::warnSaveFailed(const QString &failureText, const SyncedFile *file)
{
    showWarning(this, QStringLiteral("Save Failed"),
                failureText.arg(QDir::toNativeSeparators(file->path()), file->errorString()));
}

// Told once for each file and reason, and again only after it was readable in between.
// The warning waits for the event loop, so that the window is up and no command is
// held half-way.
void MainWindow::tellIfUnreadable(const QString &path, const QString &reason)
{
    if (reason.isEmpty()) {
        toldReadFailures.remove(path);
        return;
    }
    if (toldReadFailures.value(path) == reason)
        return;
    toldReadFailures.insert(path, reason);
    const QString text = QStringLiteral("%1 could not be read: %2. Ladlewise will not write to it "
                                        "until it can be read.")
                                 .arg(QDir::toNativeSeparators(QDir::cleanPath(path)), reason);
    QTimer::singleShot(0, this, [this, text] {
        showWarning(this, QStringLiteral("Read Failed"), text);
    });
}

void MainWindow::loadGroceryList()
{
    groceryListFile->setPath(groceryListPath);
    mergeGroceryListCopies();
    groceryListFile->refresh();
    showGroceryList();
}

void MainWindow::on_GroceryListFile_changedOnDisk()
{
    mergeGroceryListCopies();
    if (groceryListFile->refresh())
        showGroceryList();
}

void MainWindow::mergeGroceryListCopies()
{
    conflictMerger->mergeListCopies(groceryListPath);
}

// Shows the list as its file holds it, with the commands not yet written, keeping the
// current entry and the view.
void MainWindow::showGroceryList()
{
    QListWidget *list = ui->GroceryList;
    const int row = list->currentRow();
    const QString current = row < 0 ? QString() : list->item(row)->text();
    const int scrolledTo = list->verticalScrollBar()->value();
    list->clear();
    list->addItems(groceryItems(groceryListFile->text()));
    for (const std::function<void()> &command : qAsConst(unwrittenGroceryCommands))
        command();
    if (row >= 0)
        list->setCurrentRow(nearestGroceryRow(list, current, row));
    list->verticalScrollBar()->setValue(scrolledTo);
    tellIfUnreadable(groceryListFile->path(), groceryListFile->readError());
}

QString MainWindow::groceryListText() const
{
    return groceryListEntries(ui->GroceryList).join(QLatin1Char('\n')).trimmed();
}

// Every command ends by writing the list. When the file changed on disk since this
// window last saw it, the commands not yet written are applied again to the list as
// the file now holds it, so that nothing another window or program put there is
// written over. While another window keeps the folder's lock, they wait and are tried
// again shortly.
void MainWindow::applyToGroceryList(const std::function<void()> &command)
{
    command();
    unwrittenGroceryCommands.append(command);
    writeGroceryList();
}

void MainWindow::writeGroceryList()
{
    SyncedFile::WriteResult result;
    while ((result = saveGroceryList()) == SyncedFile::ChangedOnDisk) {
        groceryListFile->refresh();
        showGroceryList();
    }
    if (result == SyncedFile::Busy) {
        groceryListRetry->start(FolderLock::retryInterval);
        return;
    }
    unwrittenGroceryCommands.clear();
    groceryListBusy.invalidate();
    toldGroceryListBusy = false;
}

// Writes the list unless the file changed on disk since this window last saw it. A
// lock kept for long is told once, and the list tried again until it is written.
SyncedFile::WriteResult MainWindow::saveGroceryList()
{
    const SyncedFile::WriteResult result = groceryListFile->write(groceryListText());
    if (result == SyncedFile::Busy && !groceryListBusy.isValid())
        groceryListBusy.start();
    const bool busyForLong = result == SyncedFile::Busy && groceryListBusy.elapsed() > groceryListBusyWarning;
    if (result == SyncedFile::Failed || (busyForLong && !toldGroceryListBusy)) {
        toldGroceryListBusy = busyForLong;
        warnSaveFailed(QStringLiteral("The grocery list could not be saved to %1: %2"),
                       groceryListFile);
    }
    return result;
}

// A command that changes nothing still writes the list, as every command does; one
// that changes it becomes a step that can be undone, and a screen reader hears what
// it did and how many items the list now holds.
void MainWindow::changeGroceryList(QUndoCommand *command, const QString &change)
{
    if (!command) {
        applyToGroceryList([] {});
        return;
    }
    groceryHistory->push(command);
    listNotice->say(groceryListNotice(change, ui->GroceryList->count()));
}

GroceryListWriter MainWindow::groceryListWriter()
{
    return [this](const std::function<void()> &change) { applyToGroceryList(change); };
}

void MainWindow::addGroceryItems(const QStringList &items)
{
    changeGroceryList(items.isEmpty() ? nullptr
                                      : new AddItemsCommand(ui->GroceryList, groceryListWriter(), items),
                      items.join(QStringLiteral(", ")) + QStringLiteral(" added"));
}

void MainWindow::on_AddItemButton_clicked()
{
    QInputDialog dialog;
    dialog.setLabelText(QStringLiteral("Enter Item Name"));
    dialog.setWindowTitle(QStringLiteral("Add Item"));
    dialog.exec();
    addGroceryItems(dialog.result() ? groceryItems(dialog.textValue()) : QStringList());
}

void MainWindow::on_GroceryListDrop_textDropped(const QString &text)
{
    addGroceryItems(groceryItems(text));
}

void MainWindow::on_DeleteItemButton_clicked()
{
    const QListWidgetItem *chosen = ui->GroceryList->currentItem();
    changeGroceryList(chosen ? new DeleteItemCommand(ui->GroceryList, groceryListWriter(),
                                                     chosen->text(), ui->GroceryList->currentRow())
                             : nullptr,
                      chosen ? chosen->text() + QStringLiteral(" deleted") : QString());
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
    changeGroceryList(answer == QMessageBox::Yes
                              ? new ClearListCommand(ui->GroceryList, groceryListWriter())
                              : nullptr,
                      QStringLiteral("list cleared"));
}

void MainWindow::on_GroceryList_customContextMenuRequested(const QPoint &position)
{
    QMenu menu;
    menu.addActions({actions.addItem, actions.deleteItem, actions.clearList});
    menu.addSeparator();
    menu.addActions({undoAction, redoAction});
    menu.addSeparator();
    menu.addActions({actions.copyList, actions.printWeek});
    menu.exec(ui->GroceryList->viewport()->mapToGlobal(position));
}

void MainWindow::on_actionCopyList_triggered()
{
    QGuiApplication::clipboard()->setText(groceryListEntries(ui->GroceryList).join(QLatin1Char('\n')));
}

// The week holding the selected day, with the list, in a print preview; printing to
// a PDF file goes through its print dialog.
void MainWindow::on_actionPrintWeek_triggered()
{
    QList<DayNote> notes;
    const QStringList noteFiles = savedMealFiles();
    for (const QDate &day : weekHolding(ui->Calendar->selectedDate()))
        notes << DayNote(day, storedMealNote(noteFiles, day));
    const std::unique_ptr<QTextDocument> week(weekDocument(notes, groceryListEntries(ui->GroceryList)));
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print Week"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&week](QPrinter *target) { week->print(target); });
    preview.exec();
}
