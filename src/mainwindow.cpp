#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "accessibility.h"
#include "syncedfile.h"

#include <QDir>
#include <QHash>
#include <QInputDialog>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCharFormat>
#include <QTimer>

// Grocery items are lines; blank lines carry no item. Spaces around an item are kept,
// since the user typed them.
static QStringList groceryItems(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList items;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            items.append(line);
    }
    return items;
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , groceryListPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/list.txt"))
    , savedMealsPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/saved_meals/"))
    , ui(new Ui::MainWindow)
    , mealNoteFile(new SyncedFile(this))
    , groceryListFile(new SyncedFile(this))
{
    // Named before the form is built, whose last step connects their signals by name.
    mealNoteFile->setObjectName(QStringLiteral("MealNoteFile"));
    groceryListFile->setObjectName(QStringLiteral("GroceryListFile"));
    ui->setupUi(this);
    makeAccessible();
    setViewMode();
    loadGroceryList();
    reloadMealNotes();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::makeAccessible()
{
    nameCalendarControls(ui->Calendar);
    followCellSelection(ui->Calendar);
    followItemSelection(ui->GroceryList);
    ui->label->setBuddy(ui->GroceryList);
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
    ui->TextBox->moveCursor(QTextCursor::End);
    ui->TextBox->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::on_actionSave_triggered()
{
    ui->SaveButton->click();
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
    loadMealNote();
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
    const QFileInfoList noteFiles = savedMealFiles();
    markDaysWithNotes(noteFiles);
    if (ui->TextBox->isReadOnly())
        showMealNote(noteFiles);
}

QString MainWindow::selectedDateText() const
{
    return ui->Calendar->selectedDate().toString(Qt::TextDate);
}

// Sizes are read only when asked for, so a listing for the note alone stays cheap.
QFileInfoList MainWindow::savedMealFiles() const
{
    return QDir(savedMealsPath).entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::NoSort);
}

// Days with a note are bold. A file counts for a day by the rule the note box uses,
// but an empty one does not, since the box shows it as no note. The marks cover every
// day the calendar can show for its month, the grey ones of its neighbours included.
void MainWindow::markDaysWithNotes(const QFileInfoList &noteFiles)
{
    const QDate firstOfMonth(ui->Calendar->yearShown(), ui->Calendar->monthShown(), 1);
    QHash<QString, QDate> shownDays;
    for (QDate day = firstOfMonth.addDays(-7); day <= firstOfMonth.addDays(41); day = day.addDays(1))
        shownDays.insert(day.toString(Qt::TextDate), day);

    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    ui->Calendar->setDateTextFormat(QDate(), QTextCharFormat());
    for (const QFileInfo &file : noteFiles) {
        if (file.size() == 0)
            continue;
        // Date texts may hold dots of their own, so any dot in the name may end one.
        const QString name = file.fileName();
        int dot = 0;
        while ((dot = name.indexOf(QLatin1Char('.'), dot + 1)) > 0) {
            const auto day = shownDays.constFind(name.left(dot));
            if (day != shownDays.constEnd())
                ui->Calendar->setDateTextFormat(*day, bold);
        }
    }
}

void MainWindow::loadMealNote()
{
    showMealNote(savedMealFiles());
}

// Every file named after the day is shown in turn, so the last in the listing stays.
// Save writes the one named exactly after the day, so that is the file kept in step.
void MainWindow::showMealNote(const QFileInfoList &noteFiles)
{
    const QString prefix = selectedDateText() + QLatin1Char('.');
    QStringList dayFiles;
    for (const QFileInfo &file : noteFiles) {
        if (file.fileName().startsWith(prefix))
            dayFiles << savedMealsPath + file.fileName();
    }
    mealNoteFile->setPath(savedMealsPath + prefix + QLatin1String("txt"), dayFiles);
    // A folder that cannot be listed may well hold the day's note.
    const QString folderError = noteFiles.isEmpty() ? SyncedFile::listingError(savedMealsPath)
                                                    : QString();
    mealNoteFile->refuseWrites(folderError);
    tellIfUnreadable(savedMealsPath, folderError);
    shownMealNotePath = dayFiles.isEmpty() ? QString() : dayFiles.last();
    QString note;
    for (const QString &path : dayFiles)
        note = path == mealNoteFile->path() ? mealNoteFile->read() : SyncedFile::readText(path);
    tellIfUnreadable(mealNoteFile->path(), mealNoteFile->readError());
    // Setting the same text again would move the cursor and the scroll position.
    if (note != ui->TextBox->toPlainText())
        ui->TextBox->setPlainText(note);
    describeMealNote();
}

bool MainWindow::storeMealNote()
{
    if (!confirmReplacingUnseenNote())
        return false;
    const QString note = ui->TextBox->toPlainText();
    SyncedFile::WriteResult result;
    while ((result = mealNoteFile->write(note)) == SyncedFile::ChangedOnDisk) {
        if (!confirmReplacingMealNote())
            return false;
        mealNoteFile->refresh();
    }
    if (result == SyncedFile::Failed) {
        warnSaveFailed(QStringLiteral("The meal note could not be saved to %1: %2"), mealNoteFile);
        return false;
    }
    return true;
}

bool MainWindow::confirmReplacingMealNote()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Note Changed"),
            QStringLiteral("The meal note for %1 was changed by another program since you began "
                           "editing. Replace it with your text?").arg(selectedDateText()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

// The box may show a look-alike file (the day's name and more) while Save writes the
// file named exactly after the day; other text there is not replaced unasked.
bool MainWindow::confirmReplacingUnseenNote()
{
    if (shownMealNotePath.isEmpty() || shownMealNotePath == mealNoteFile->path())
        return true;
    const QString stored = mealNoteFile->text();
    if (stored.isEmpty() || stored == SyncedFile::readText(shownMealNotePath))
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Replace Note"),
            QStringLiteral("The meal note for %1 is stored in %2, which holds other text than the "
                           "one shown. Replace it with your text?")
                    .arg(selectedDateText(), QFileInfo(mealNoteFile->path()).fileName()),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void MainWindow::warnSaveFailed(const QString &failureText, const SyncedFile *file)
{
    QMessageBox::warning(this, QStringLiteral("Save Failed"),
                         failureText.arg(QDir::toNativeSeparators(file->path()),
                                         file->errorString()));
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
        QMessageBox::warning(this, QStringLiteral("Read Failed"), text);
    });
}

void MainWindow::loadGroceryList()
{
    groceryListFile->setPath(groceryListPath);
    groceryListFile->refresh();
    showGroceryList();
}

void MainWindow::on_GroceryListFile_changedOnDisk()
{
    if (groceryListFile->refresh())
        showGroceryList();
}

// Shows the list as its file holds it, keeping the current entry and the view.
void MainWindow::showGroceryList()
{
    QListWidget *list = ui->GroceryList;
    const int row = list->currentRow();
    const QString current = row < 0 ? QString() : list->item(row)->text();
    const int scrolledTo = list->verticalScrollBar()->value();
    list->clear();
    list->addItems(groceryItems(groceryListFile->text()));
    if (row >= 0)
        list->setCurrentRow(nearestGroceryRow(current, row));
    list->verticalScrollBar()->setValue(scrolledTo);
    tellIfUnreadable(groceryListFile->path(), groceryListFile->readError());
}

// The row holding text that is nearest to row, or -1 when no row holds it.
int MainWindow::nearestGroceryRow(const QString &text, int row) const
{
    const QListWidget *list = ui->GroceryList;
    for (int distance = 0; distance <= qMax(row, list->count()); ++distance) {
        for (const int candidate : {row - distance, row + distance}) {
            if (candidate >= 0 && candidate < list->count() && list->item(candidate)->text() == text)
                return candidate;
        }
    }
    return -1;
}

QString MainWindow::groceryListText() const
{
    QString text;
    for (int row = 0; row < ui->GroceryList->count(); ++row) {
        text += ui->GroceryList->item(row)->text();
        text += QLatin1Char('\n');
    }
    return text.trimmed();
}

// Every command ends by writing the list. When the file changed on disk since this
// window last saw it, the command is applied again to the list as the file now holds
// it, so that nothing another window or program put there is written over.
void MainWindow::applyToGroceryList(const std::function<void()> &command)
{
    command();
    SyncedFile::WriteResult result;
    while ((result = groceryListFile->write(groceryListText())) == SyncedFile::ChangedOnDisk) {
        groceryListFile->refresh();
        showGroceryList();
        command();
    }
    if (result == SyncedFile::Failed) {
        warnSaveFailed(QStringLiteral("The grocery list could not be saved to %1: %2"),
                       groceryListFile);
    }
}

void MainWindow::on_AddItemButton_clicked()
{
    QInputDialog dialog;
    dialog.setLabelText(QStringLiteral("Enter Item Name"));
    dialog.setWindowTitle(QStringLiteral("Add Item"));
    dialog.exec();
    const QStringList items = dialog.result() ? groceryItems(dialog.textValue()) : QStringList();
    applyToGroceryList([this, &items] { ui->GroceryList->addItems(items); });
}

// The chosen entry is known by its text: should the list change on disk meanwhile,
// the entry with that text nearest to its row goes, or none when it is gone.
void MainWindow::on_DeleteItemButton_clicked()
{
    const int row = ui->GroceryList->currentRow();
    const QString chosen = row < 0 ? QString() : ui->GroceryList->item(row)->text();
    applyToGroceryList([this, row, &chosen] {
        if (row >= 0)
            delete ui->GroceryList->takeItem(nearestGroceryRow(chosen, row));
    });
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
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Clear List"),
            QStringLiteral("Are you sure you want to clear the list?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    applyToGroceryList([this, answer] {
        if (answer == QMessageBox::Yes)
            ui->GroceryList->clear();
    });
}
