// The grocery list's file as items: one a line, blank lines carrying none.
#ifndef GROCERYITEMS_H
#define GROCERYITEMS_H

#include <QStringList>

QStringList groceryItems(const QString &text);

#endif // GROCERYITEMS_H
