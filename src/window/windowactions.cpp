// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowactions.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace {

QAction *newAction(QWidget *window, const char *name, const QString &text, const QList<QKeySequence> &keys,
                   Qt::ShortcutContext context = Qt::WindowShortcut)
{
    auto *action = new QAction(text, window);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    return action;
}

QAction *newAction(QWidget *window, const char *name, const QString &text, const QKeySequence &keys,
                   Qt::ShortcutContext context = Qt::WindowShortcut)
{
    return newAction(window, name, text, QList<QKeySequence>{keys}, context);
}

} // namespace

WindowActions::WindowActions(QWidget *window)
    : edit(newAction(window, "actionEdit", QStringLiteral("Edit"), Qt::CTRL | Qt::Key_E))
    , save(newAction(window, "actionSave", QStringLiteral("Save"), Qt::CTRL | Qt::Key_S))
    , addItem(newAction(window, "actionAddItem", QStringLiteral("Add Item…"), Qt::CTRL | Qt::Key_N))
    , insertItem(newAction(window, "actionInsertItem", QStringLiteral("Add Item…"), Qt::Key_Insert,
                           Qt::WidgetWithChildrenShortcut))
    , deleteItem(newAction(window, "actionDeleteItem", QStringLiteral("Delete Item"), Qt::Key_Delete,
                           Qt::WidgetWithChildrenShortcut))
    , clearList(newAction(window, "actionClearList", QStringLiteral("Clear List…"),
                          Qt::CTRL | Qt::SHIFT | Qt::Key_Delete))
    , removeTicked(newAction(window, "actionRemoveTicked", QStringLiteral("Remove Ticked…"),
                             Qt::CTRL | Qt::Key_Delete, Qt::WidgetWithChildrenShortcut))
    , moveItemUp(newAction(window, "actionMoveItemUp", QStringLiteral("Move Up"), Qt::ALT | Qt::Key_Up,
                           Qt::WidgetWithChildrenShortcut))
    , moveItemDown(newAction(window, "actionMoveItemDown", QStringLiteral("Move Down"), Qt::ALT | Qt::Key_Down,
                             Qt::WidgetWithChildrenShortcut))
    , copyMealNote(newAction(window, "actionCopyMealNote", QStringLiteral("Copy Meal Note"), QKeySequence::Copy,
                             Qt::WidgetWithChildrenShortcut))
    , pasteMealNote(newAction(window, "actionPasteMealNote", QStringLiteral("Paste Meal Note"),
                              QKeySequence::Paste, Qt::WidgetWithChildrenShortcut))
    , findMeal(newAction(window, "actionFindMeal", QStringLiteral("Find Meal…"), QKeySequence::Find))
    , addToGroceryList(newAction(window, "actionAddToGroceryList", QStringLiteral("Add to Grocery List"),
                                 QKeySequence()))
    , copyList(newAction(window, "actionCopyList", QStringLiteral("Copy List"), Qt::CTRL | Qt::SHIFT | Qt::Key_C,
                         Qt::WidgetWithChildrenShortcut))
    , printWeek(newAction(window, "actionPrintWeek", QStringLiteral("Print Week…"), Qt::CTRL | Qt::Key_P))
    // Page Up and Page Down move a month; with Shift, as date pickers on the web do, or
    // Ctrl, a year.
    , previousYear(newAction(window, "actionPreviousYear", QStringLiteral("Previous Year"),
                             QList<QKeySequence>{Qt::SHIFT | Qt::Key_PageUp, Qt::CTRL | Qt::Key_PageUp},
                             Qt::WidgetWithChildrenShortcut))
    , nextYear(newAction(window, "actionNextYear", QStringLiteral("Next Year"),
                         QList<QKeySequence>{Qt::SHIFT | Qt::Key_PageDown, Qt::CTRL | Qt::Key_PageDown},
                         Qt::WidgetWithChildrenShortcut))
{
}

void WindowActions::addTo(QWidget *window, QWidget *list, QWidget *calendar) const
{
    calendar->addActions({copyMealNote, pasteMealNote, previousYear, nextYear});
    window->addActions({edit, save, addItem, clearList, findMeal, printWeek});
    list->addActions({insertItem, deleteItem, removeTicked, moveItemUp, moveItemDown, copyList});
}
