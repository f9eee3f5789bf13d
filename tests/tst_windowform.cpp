#include "mainwindow.h"
#include "testsupport.h"
#include "ui_mainwindow.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

class tst_WindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void widgetsHaveTheirNamesClassesAndPlaces_data();
    void widgetsHaveTheirNamesClassesAndPlaces();
    void widgetsAreCreatedInTabOrder();
    void textsReadAsWritten_data();
    void textsReadAsWritten();
    void windowHasItsTitleSizeAndNoBars();
    void calendarAndSeparatorLookAsDesigned();
    void freshWindowIsInViewMode();
    void resizingTheWindowMovesNothing_data();
    void resizingTheWindowMovesNothing();
    void existingObjectNameIsKept();
    void startsOnTodayWithNothingOnDiskAndNoMessage();

private:
    QWidget *child(const char *name) const { return window->findChild<QWidget *>(name); }

    TemporaryHome *home = nullptr;
    MainWindow *window = nullptr;
};

void tst_WindowForm::init()
{
    home = new TemporaryHome;
    QVERIFY(home->isValid());
    window = new MainWindow;
}

void tst_WindowForm::cleanup()
{
    delete window;
    delete home;
}

void tst_WindowForm::widgetsHaveTheirNamesClassesAndPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("calendar") << "Calendar" << "QCalendarWidget" << QRect(10, 10, 461, 721);
    QTest::newRow("note box") << "TextBox" << "QTextEdit" << QRect(480, 50, 581, 681);
    QTest::newRow("grocery list") << "GroceryList" << "QListWidget" << QRect(1080, 70, 261, 631);
    QTest::newRow("edit") << "EditButton" << "QPushButton" << QRect(480, 10, 91, 31);
    QTest::newRow("save") << "SaveButton" << "QPushButton" << QRect(590, 10, 91, 31);
    QTest::newRow("add item") << "AddItemButton" << "QPushButton" << QRect(1110, 40, 91, 25);
    QTest::newRow("delete item") << "DeleteItemButton" << "QPushButton" << QRect(1220, 40, 91, 25);
    QTest::newRow("separator") << "line" << "QFrame" << QRect(1060, 10, 21, 721);
    QTest::newRow("clear list") << "ClearListButton" << "QPushButton" << QRect(1160, 710, 101, 21);
    QTest::newRow("heading") << "label" << "QLabel" << QRect(1170, 10, 81, 21);
}

void tst_WindowForm::widgetsHaveTheirNamesClassesAndPlaces()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);

    QWidget *widget = child(name.toLatin1());
    QVERIFY2(widget, qPrintable("no widget named " + name));
    QCOMPARE(QString(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget(), window->centralWidget());
    QCOMPARE(widget->geometry(), geometry);
}

void tst_WindowForm::widgetsAreCreatedInTabOrder()
{
    const QStringList expected = {"Calendar", "TextBox", "GroceryList", "EditButton",
                                  "SaveButton", "AddItemButton", "DeleteItemButton", "line",
                                  "ClearListButton", "label"};
    QStringList created;
    for (QObject *object : window->centralWidget()->children())
        created << object->objectName();
    QCOMPARE(created, expected);
    QCOMPARE(window->centralWidget()->objectName(), QString("centralWidget"));
}

void tst_WindowForm::textsReadAsWritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("edit") << "EditButton" << "Edit";
    QTest::newRow("save") << "SaveButton" << "Save";
    QTest::newRow("add item") << "AddItemButton" << "Add Item";
    QTest::newRow("delete item") << "DeleteItemButton" << "Delete Item";
    QTest::newRow("clear list") << "ClearListButton" << "Clear List";
    QTest::newRow("heading") << "label" << "Grocery List";
}

void tst_WindowForm::textsReadAsWritten()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QWidget *widget = child(name.toLatin1());
    QVERIFY2(widget, qPrintable("no widget named " + name));
    QCOMPARE(widget->property("text").toString(), text);
}

void tst_WindowForm::windowHasItsTitleSizeAndNoBars()
{
    QCOMPARE(window->windowTitle(), QString("Ladlewise"));
    QCOMPARE(window->size(), QSize(1349, 740));
    QVERIFY(window->findChildren<QMenuBar *>().isEmpty());
    QVERIFY(window->findChildren<QToolBar *>().isEmpty());
    QVERIFY(window->findChildren<QStatusBar *>().isEmpty());
    QVERIFY2(window->centralWidget()->layout() == nullptr, "the form places widgets by hand");
}

void tst_WindowForm::calendarAndSeparatorLookAsDesigned()
{
    auto *calendar = window->findChild<QCalendarWidget *>("Calendar");
    QVERIFY(calendar);
    QVERIFY(calendar->isGridVisible());
    QCOMPARE(calendar->horizontalHeaderFormat(), QCalendarWidget::ShortDayNames);
    QCOMPARE(calendar->verticalHeaderFormat(), QCalendarWidget::NoVerticalHeader);

    auto *line = window->findChild<QFrame *>("line");
    QVERIFY(line);
    QCOMPARE(line->frameShape(), QFrame::VLine);
    QCOMPARE(line->frameShadow(), QFrame::Sunken);

    auto *edit = window->findChild<QPushButton *>("EditButton");
    QVERIFY(edit);
    QVERIFY(!edit->isCheckable());
    QVERIFY(!edit->isChecked());
}

void tst_WindowForm::freshWindowIsInViewMode()
{
    auto *box = window->findChild<QTextEdit *>("TextBox");
    QVERIFY(box);
    QVERIFY(box->isReadOnly());
    QVERIFY(child("EditButton")->isEnabled());
    QVERIFY(!child("SaveButton")->isEnabled());

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::keyClicks(box, "soup");
    QCOMPARE(box->toPlainText(), QString());
}

void tst_WindowForm::resizingTheWindowMovesNothing_data()
{
    QTest::addColumn<QSize>("size");

    QTest::newRow("enlarged") << QSize(1900, 1100);
    QTest::newRow("shrunk") << QSize(500, 300);
}

void tst_WindowForm::resizingTheWindowMovesNothing()
{
    QFETCH(QSize, size);

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QMap<QString, QRect> before;
    for (QWidget *widget : window->centralWidget()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        before.insert(widget->objectName(), widget->geometry());

    window->resize(size);
    QTRY_COMPARE(window->size(), size);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(child(it.key().toLatin1())->geometry(), it.value());
}

void tst_WindowForm::existingObjectNameIsKept()
{
    QMainWindow named;
    named.setObjectName("Planner");
    Ui::MainWindow form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QString("Planner"));

    QCOMPARE(window->objectName(), QString("MainWindow"));
}

void tst_WindowForm::startsOnTodayWithNothingOnDiskAndNoMessage()
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCoreApplication::processEvents();

    QCOMPARE(window->findChild<QCalendarWidget *>("Calendar")->selectedDate(), QDate::currentDate());
    QCOMPARE(window->findChild<QListWidget *>("GroceryList")->count(), 0);
    QCOMPARE(window->findChild<QTextEdit *>("TextBox")->toPlainText(), QString());
    for (QWidget *topLevel : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<QMessageBox *>(topLevel), "start-up showed a message");
    QCOMPARE(home->entries(), QStringList());
}

QTEST_MAIN(tst_WindowForm)
#include "tst_windowform.moc"
