// Ladlewise keeps everything in its one window: the calendar picks a day, the note
// box in the middle shows that day's meal note (one text file per day, read-only
// until Edit), and the grocery list on the right is written to its file after every
// command. The widgets are the only state; the data folder is read afresh each time.
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QString>
#include <QStringList>

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

private:
    void setViewMode();
    void setEditMode();
    QStringList savedMealFiles() const;
    static QString readTextFile(const QString &path);
    void loadMealNote();
    bool storeMealNote();
    void loadGroceryList();
    void saveGroceryList();
    bool writeTextFile(const QString &path, const QString &text, const QString &failureText);
    QString selectedDateText() const;

    QString groceryListPath;
    QString savedMealsPath;
    Ui::MainWindow *ui;
};

#endif // MAINWINDOW_H
