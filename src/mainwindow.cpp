#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextCodec>
#include <QTextStream>

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

// A file device takes a write cut short (say by a full disk) for success, so write
// unbuffered and keep writing until the rest goes through or the device says why not.
static bool writeAll(QIODevice &device, const QByteArray &data)
{
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 chunk = device.write(data.constData() + written, data.size() - written);
        if (chunk <= 0)
            return false;
        written += chunk;
    }
    return true;
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , groceryListPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/list.txt"))
    , savedMealsPath(QDir::homePath() + QLatin1String("/Documents/ladlewise/data/saved_meals/"))
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setViewMode();
    loadGroceryList();
    loadMealNote();
}

MainWindow::~MainWindow()
{
    delete ui;
}

// The order matters: a focused button that gets disabled hands the focus on to the
// next enabled widget, so Edit passes it to Save, and Save passes it to Add Item.
void MainWindow::setViewMode()
{
    ui->SaveButton->setEnabled(false);
    ui->EditButton->setEnabled(true);
    ui->TextBox->setReadOnly(true);
}

void MainWindow::setEditMode()
{
    ui->SaveButton->setEnabled(true);
    ui->EditButton->setEnabled(false);
    ui->TextBox->setReadOnly(false);
}

void MainWindow::on_EditButton_clicked()
{
    setEditMode();
}

void MainWindow::on_SaveButton_clicked()
{
    setViewMode();
    if (!storeMealNote())
        setEditMode();
}

void MainWindow::on_Calendar_selectionChanged()
{
    setViewMode();
    loadMealNote();
}

QString MainWindow::selectedDateText() const
{
    return ui->Calendar->selectedDate().toString(Qt::TextDate);
}

QStringList MainWindow::savedMealFiles() const
{
    return QDir(savedMealsPath).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::NoSort);
}

QString MainWindow::readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QTextStream in(&file);
    return in.readAll();
}

void MainWindow::loadMealNote()
{
    const QString prefix = selectedDateText() + QLatin1Char('.');
    ui->TextBox->setPlainText(QString());
    for (const QString &name : savedMealFiles()) {
        if (name.startsWith(prefix))
            ui->TextBox->setPlainText(readTextFile(savedMealsPath + name));
    }
}

bool MainWindow::storeMealNote()
{
    return writeTextFile(savedMealsPath + selectedDateText() + QLatin1String(".txt"),
                         ui->TextBox->toPlainText(),
                         QStringLiteral("The meal note could not be saved to %1: %2"));
}

// Written through a temporary file, so a failed write leaves the old content whole.
bool MainWindow::writeTextFile(const QString &path, const QString &text,
                               const QString &failureText)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered)
            && writeAll(file, QTextCodec::codecForLocale()->fromUnicode(text))
            && file.commit()) {
        return true;
    }
    QMessageBox::warning(this, QStringLiteral("Save Failed"),
                         failureText.arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

void MainWindow::loadGroceryList()
{
    QFile file(groceryListPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    ui->GroceryList->addItems(groceryItems(in.readAll()));
}

void MainWindow::saveGroceryList()
{
    QString text;
    for (int row = 0; row < ui->GroceryList->count(); ++row) {
        text += ui->GroceryList->item(row)->text();
        text += QLatin1Char('\n');
    }
    writeTextFile(groceryListPath, text.trimmed(),
                  QStringLiteral("The grocery list could not be saved to %1: %2"));
}

void MainWindow::on_AddItemButton_clicked()
{
    QInputDialog dialog;
    dialog.setLabelText(QStringLiteral("Enter Item Name"));
    dialog.setWindowTitle(QStringLiteral("Add Item"));
    dialog.exec();
    if (dialog.result())
        ui->GroceryList->addItems(groceryItems(dialog.textValue()));
    saveGroceryList();
}

void MainWindow::on_DeleteItemButton_clicked()
{
    delete ui->GroceryList->takeItem(ui->GroceryList->currentRow());
    saveGroceryList();
}

void MainWindow::on_ClearListButton_clicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Clear List"),
            QStringLiteral("Are you sure you want to clear the list?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        ui->GroceryList->clear();
    saveGroceryList();
}
