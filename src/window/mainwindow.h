// SPDX-License-Identifier: GPL-3.0-or-later
// Ladlewise keeps everything in its one window: the calendar picks a day, the note
// box in the middle shows that day's meal note (read-only until Edit), and the
// grocery list on the right is written to its file after every command. The window
// wires the form to the two controllers that keep the note and the list in step with
// their files (notes/, list/), and holds the dialogs, menus and printing.
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "versionrecord.h"
#include "windowactions.h"

#include <QDate>
#include <QMainWindow>
#include <QSet>
#include <QString>

class ConflictMerger;
class GroceryListController;
class MealNoteController;
class QAction;
class QListWidgetItem;
class QUndoGroup;
class RowDragFilter;
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
    void on_actionEdit_triggered();
    void on_actionSave_triggered();
    void on_actionAddItem_triggered();
    void on_actionInsertItem_triggered();
    void on_actionDeleteItem_triggered();
    void on_actionClearList_triggered();
    void on_actionRemoveTicked_triggered();
    void on_actionMoveItemUp_triggered();
    void on_actionMoveItemDown_triggered();
    void on_GroceryListDrag_rowDropped(int from, int to);
    void on_actionCopyMealNote_triggered();
    void on_actionFindMeal_triggered();
    void on_actionPasteMealNote_triggered();
    void on_Calendar_customContextMenuRequested(const QPoint &position);
    void on_GroceryList_itemChanged(QListWidgetItem *item);
    void on_TextBox_customContextMenuRequested(const QPoint &position);
    void on_actionAddToGroceryList_triggered();
    void on_GroceryListDrop_textDropped(const QString &text);
    void on_GroceryList_customContextMenuRequested(const QPoint &position);
    void on_actionCopyList_triggered();
    void on_actionPrintWeek_triggered();
    void on_actionPreviousYear_triggered();
    void on_actionNextYear_triggered();

private:
    void connectControllers();
    void makeAccessible();
    void addHistoryActions();
    void followFocusWithHistory(QWidget *now);
    void setViewMode();
    void setEditMode();
    void describeMealNote();
    void loadMealNote();
    void showMealNote(const QString &note);
    bool storeMealNote();
    bool confirmReplacingMealNote();
    void markDaysWithNotes(const QSet<QDate> &days);
    void showGroceryList();
    void showGroceryItems(int first, const QStringList &lines);
    void warnSaveFailed(const QString &message);
    void warnReadFailed(const QString &message);

    QString groceryListPath;
    QString savedMealsPath;
    Ui::MainWindow *ui;
    const WindowActions actions;
    VersionRecord versionRecord;
    ConflictMerger *conflictMerger;
    MealNoteController *mealNotes;
    GroceryListController *groceryList;
    TextDropFilter *groceryListDrop;
    RowDragFilter *groceryListDrag;
    SpokenNotice *listNotice;
    // What the list widget shows, the only one to change it.
    QStringList shownGroceryItems;
    QUndoGroup *history;
    QAction *undoAction = nullptr;
    QAction *redoAction = nullptr;
};

#endif // MAINWINDOW_H
