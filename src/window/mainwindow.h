// Ladlewise keeps everything in its one window: the calendar picks a day, the note
// box in the middle shows that day's meal note (one text file per day, read-only
// until Edit), and the grocery list on the right is written to its file after every
// command. Each file is kept in step with the disk by a SyncedFile, so that changes
// made by another window, a sync tool or an editor show and are never written over;
// a ConflictMerger folds back the copies sync tools set aside, against the versions
// the installations' VersionRecord tells both sides had. The list's commands are undoable steps (grocerycommands.h)
// and the window's keys are WindowActions; the rest lives in small units beside this
// one: decoding files, merging, which files make up a day's note and their names in
// any language, the printed week, accessibility.
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "daynotefiles.h"
#include "grocerycommands.h"
#include "syncedfile.h"
#include "versionrecord.h"
#include "windowactions.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QString>

class ConflictMerger;
class QAction;
class QUndoCommand;
class QUndoStack;
class SpokenNotice;
class TextDropFilter;

QT_BEGIN_NAMESPACE
namespace Ui { class MainWindow; }
QT_END_NAMESPACE

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_EditButton_clicked();
    void on_SaveButton_clicked();
    void on_ClearListButton_clicked();
    void on_Calendar_selectionChanged();
    void on_AddItemButton_clicked();
    void on_DeleteItemButton_clicked();
    void on_Calendar_currentPageChanged(int year, int month);
    void on_MealNoteFile_changedOnDisk();
    void on_GroceryListFile_changedOnDisk();
    void on_actionEdit_triggered();
    void on_actionSave_triggered();
    void on_actionAddItem_triggered();
    void on_actionInsertItem_triggered();
    void on_actionDeleteItem_triggered();
    void on_actionClearList_triggered();
    void on_TextBox_customContextMenuRequested(const QPoint &position);
    void on_actionAddToGroceryList_triggered();
    void on_GroceryListDrop_textDropped(const QString &text);
    void on_GroceryList_customContextMenuRequested(const QPoint &position);
    void on_actionCopyList_triggered();
    void on_actionPrintWeek_triggered();
    void on_VersionUpkeep_timeout();

private:
    void makeAccessible();
    void addHistoryActions();
    void setViewMode();
    void setEditMode();
    void describeMealNote();
    QStringList savedMealFiles() const;
    QString readTextFile(const QString &path) const;
    QStringList lookAfterMealNotes(QStringList noteFiles);
    void markDaysWithNotes(const QStringList &noteFiles);
    void reloadMealNotes();
    void loadMealNote(const QStringList &noteFiles);
    void showMealNote(const QStringList &noteFiles);
    DayNoteFiles followMealNote(const QStringList &noteFiles);
    QString storedMealNote(const QStringList &noteFiles, const QDate &day) const;
    bool storeMealNote();
    bool confirmReplacingMealNote();
    void loadGroceryList();
    void mergeGroceryListCopies();
    void showGroceryList();
    void applyToGroceryList(const std::function<void()> &command);
    void writeGroceryList();
    SyncedFile::WriteResult saveGroceryList();
    QString groceryListText() const;
    void changeGroceryList(QUndoCommand *command, const QString &change = QString());
    GroceryListWriter groceryListWriter();
    void addGroceryItems(const QStringList &items);
    void warnSaveFailed(const QString &failureText, const SyncedFile *file);
    void tellIfUnreadable(const QString &path, const QString &reason);
    QString selectedDateText() const;

    QString groceryListPath;
    QString savedMealsPath;
    Ui::MainWindow *ui;
    const WindowActions actions;
    VersionRecord versionRecord;
    SyncedFile *mealNoteFile;
    SyncedFile *groceryListFile;
    TextDropFilter *groceryListDrop;
    QUndoStack *groceryHistory;
    ConflictMerger *conflictMerger;
    QAction *undoAction = nullptr;
    QAction *redoAction = nullptr;
    QHash<QString, QString> toldReadFailures;
    // Applied to the list, not yet written: another window kept the folder's lock.
    QVector<std::function<void()>> unwrittenGroceryCommands;
    QTimer *groceryListRetry;
    QTimer *versionUpkeep;
    QElapsedTimer groceryListBusy;
    bool toldGroceryListBusy = false;
    SpokenNotice *listNotice;
};

#endif // MAINWINDOW_H
