// A day's note is named after the day as the system's language writes it, "Mon Dec 7
// 2026.txt", but a note saved under another language, or by a machine in another
// language sharing the folder, is that day's note too when its name is exactly the
// day as some language writes it ("Mo. Dez. 7 2026.txt").
#ifndef NOTENAMES_H
#define NOTENAMES_H

#include <QDate>
#include <QString>

// The day, from first to last, that fileName names exactly in a language other than
// the system's; invalid for any other name, and for a name that could mean two days.
QDate foreignNoteDay(const QString &fileName, const QDate &first, const QDate &last);

// Tells the files named exactly after one day in a language other than the system's,
// at the cost of one comparison for the many that are not.
class ForeignNoteNames
{
public:
    explicit ForeignNoteNames(const QDate &day);
    bool contains(const QString &fileName) const;

private:
    QDate day;
    QString ending;
};

#endif // NOTENAMES_H
