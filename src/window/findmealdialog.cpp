// SPDX-License-Identifier: GPL-3.0-or-later
#include "findmealdialog.h"
#include "ui_findmealdialog.h"

#include "mealfinder.h"
#include "spokennotice.h"

#include <QLocale>

FindMealDialog::FindMealDialog(const QString &notesFolder, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FindMealDialog)
    , finder(new MealFinder(notesFolder, this))
    , countNotice(new SpokenNotice(this))
{
    ui->setupUi(this);
    connect(finder, &MealFinder::foundReset, this, &FindMealDialog::showFound);
    connect(finder, &MealFinder::foundMore, this, &FindMealDialog::showMoreFound);
}

FindMealDialog::~FindMealDialog()
{
    delete ui;
}

void FindMealDialog::on_FindText_textChanged(const QString &text)
{
    finder->setQuery(text);
}

void FindMealDialog::on_FoundDays_itemActivated(QListWidgetItem *item)
{
    chosen = item->data(Qt::UserRole).toDate();
    accept();
}

void FindMealDialog::showFound()
{
    ui->FoundDays->clear();
    showMoreFound();
}

// Only the days not yet shown are added, so that the list keeps its place.
void FindMealDialog::showMoreFound()
{
    const QVector<FoundMeal> &found = finder->found();
    for (int i = ui->FoundDays->count(); i < found.size(); ++i) {
        auto *item = new QListWidgetItem(QStringLiteral("%1: %2").arg(
                QLocale().toString(found.at(i).day, QLocale::LongFormat), found.at(i).line));
        item->setData(Qt::UserRole, found.at(i).day);
        ui->FoundDays->addItem(item);
    }
    tellCount();
}

// A screen reader hears the count once the whole folder is read.
void FindMealDialog::tellCount()
{
    const int count = ui->FoundDays->count();
    const QString text = ui->FindText->text().trimmed().isEmpty()
            ? QString()
            : count == 1 ? QStringLiteral("1 day found") : QStringLiteral("%1 days found").arg(count);
    ui->FoundCount->setText(text);
    if (finder->isDone() && !text.isEmpty())
        countNotice->say(text);
}
