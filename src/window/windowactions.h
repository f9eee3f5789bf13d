// SPDX-License-Identifier: GPL-3.0-or-later
// The window's commands with their keys. They are made as named children of the
// window before its form is built, so that the form's last step binds each to the
// window's slot on_<name>_triggered, and the form holds only its widgets.
#ifndef WINDOWACTIONS_H
#define WINDOWACTIONS_H

class QAction;
class QWidget;

struct WindowActions
{
    explicit WindowActions(QWidget *window);
    // Puts the actions where their keys work: the window, or the list or the calendar
    // for the keys that mean something else elsewhere.
    void addTo(QWidget *window, QWidget *list, QWidget *calendar) const;

    QAction *edit;
    QAction *save;
    QAction *addItem;
    QAction *insertItem;
    QAction *deleteItem;
    QAction *clearList;
    QAction *removeTicked;
    QAction *moveItemUp;
    QAction *moveItemDown;
    QAction *copyMealNote;
    QAction *pasteMealNote;
    QAction *findMeal;
    QAction *addToGroceryList;
    QAction *copyList;
    QAction *printWeek;
    QAction *previousYear;
    QAction *nextYear;
};

#endif // WINDOWACTIONS_H
