// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl+F: the days whose note holds all the words typed, newest first, each with its
// date and the line where they stand. Return or a double click picks the day.
#ifndef FINDMEALDIALOG_H
#define FINDMEALDIALOG_H

#include <QDate>
#include <QDialog>

class MealFinder;
class QListWidgetItem;
class SpokenNotice;

QT_BEGIN_NAMESPACE
namespace Ui { class FindMealDialog; }
QT_END_NAMESPACE

class FindMealDialog : public QDialog
{
    Q_OBJECT

public:
    FindMealDialog(const QString &notesFolder, QWidget *parent = nullptr);
    ~FindMealDialog() override;

    QDate chosenDay() const { return chosen; }

private slots:
    void on_FindText_textChanged(const QString &text);
    void on_FoundDays_itemActivated(QListWidgetItem *item);

private:
    void showFound();
    void showMoreFound();
    void tellCount();

    Ui::FindMealDialog *ui;
    MealFinder *finder;
    SpokenNotice *countNotice;
    QDate chosen;
};

#endif // FINDMEALDIALOG_H
