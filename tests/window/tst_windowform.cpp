// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"
#include "ui_mainwindow.h"

#include "calendarcolours.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QListWidget>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

class tst_WindowForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void widgetsHaveTheirNamesClassesPlacesAndTexts_data();
    void widgetsHaveTheirNamesClassesPlacesAndTexts();
    void widgetsAreCreatedInFocusOrder();
    void screenReadersHearNamesAndDescriptions_data();
    void screenReadersHearNamesAndDescriptions();
    void windowHasItsTitleSizeAndNoBars();
    void freshWindowIsInViewMode();
    void resizingTheWindowMovesNothing_data();
    void resizingTheWindowMovesNothing();
    void existingObjectNameIsKept();
    void startsOnTodayWithNothingOnDiskAndNoMessage();
    void calendarTextsAreReadable_data();
    void calendarTextsAreReadable();

private:
    std::unique_ptr<WindowFixture> f;
};

void tst_WindowForm::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
    f->open();
}

void tst_WindowForm::widgetsHaveTheirNamesClassesPlacesAndTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("calendar") << "Calendar" << "QCalendarWidget" << QRect(10, 10, 461, 721) << "";
    QTest::newRow("note box") << "TextBox" << "QTextEdit" << QRect(480, 50, 581, 681) << "";
    QTest::newRow("grocery list") << "GroceryList" << "QListWidget" << QRect(1080, 70, 261, 631) << "";
    QTest::newRow("edit") << "EditButton" << "QPushButton" << QRect(480, 10, 91, 31) << "Edit";
    QTest::newRow("save") << "SaveButton" << "QPushButton" << QRect(590, 10, 91, 31) << "Save";
    QTest::newRow("add item") << "AddItemButton" << "QPushButton" << QRect(1110, 40, 91, 25)
                              << "Add Item";
    QTest::newRow("delete item") << "DeleteItemButton" << "QPushButton" << QRect(1220, 40, 91, 25)
                                 << "Delete Item";
    QTest::newRow("separator") << "line" << "QFrame" << QRect(1060, 10, 21, 721) << "";
    QTest::newRow("clear list") << "ClearListButton" << "QPushButton" << QRect(1160, 710, 101, 21)
                                << "Clear List";
    QTest::newRow("heading") << "label" << "QLabel" << QRect(1170, 10, 81, 21) << "Grocery List";
}

void tst_WindowForm::widgetsHaveTheirNamesClassesPlacesAndTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);

    QWidget *widget = f->child(name.toLatin1());
    QVERIFY2(widget, qPrintable("no widget named " + name));
    QCOMPARE(QString(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget(), f->window->centralWidget());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->property("text").toString(), text);
}

// Focus passes on in creation order when a focused button is disabled.
void tst_WindowForm::widgetsAreCreatedInFocusOrder()
{
    QStringList created;
    for (QObject *object : f->window->centralWidget()->children())
        created << object->objectName();
    QCOMPARE(created, (QStringList{"Calendar", "TextBox", "GroceryList", "EditButton", "SaveButton",
                                   "AddItemButton", "DeleteItemButton", "line", "ClearListButton",
                                   "label"}));
}

void tst_WindowForm::screenReadersHearNamesAndDescriptions_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    QTest::newRow("note box") << "TextBox"
                              << "Meal note for " + QLocale().toString(QDate::currentDate(), QLocale::LongFormat)
                              << "No note";
    QTest::newRow("grocery list") << "GroceryList" << "Grocery list" << "One grocery item per entry";
    QTest::newRow("calendar") << "Calendar" << "Calendar" << "Pick a day to see its meal note";
}

void tst_WindowForm::screenReadersHearNamesAndDescriptions()
{
    QFETCH(QString, widget);
    QFETCH(QString, name);
    QFETCH(QString, description);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(f->child(widget.toLatin1()));
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(accessible->text(QAccessible::Description), description);
}

void tst_WindowForm::windowHasItsTitleSizeAndNoBars()
{
    QCOMPARE(f->window->windowTitle(), QString("Ladlewise"));
    QCOMPARE(f->window->size(), QSize(1349, 740));
    QCOMPARE(f->window->centralWidget()->objectName(), QString("centralWidget"));
    QVERIFY(f->window->findChildren<QMenuBar *>().isEmpty());
    QVERIFY(f->window->findChildren<QToolBar *>().isEmpty());
    QVERIFY(f->window->findChildren<QStatusBar *>().isEmpty());
}

void tst_WindowForm::freshWindowIsInViewMode()
{
    auto *box = f->child<QTextEdit>("TextBox");
    QVERIFY(box->isReadOnly());
    QVERIFY(f->child("EditButton")->isEnabled());
    QVERIFY(!f->child("SaveButton")->isEnabled());

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

    const QList<QWidget *> widgets = f->window->centralWidget()->findChildren<QWidget *>(
            QString(), Qt::FindDirectChildrenOnly);
    QList<QRect> before;
    for (QWidget *widget : widgets)
        before << widget->geometry();

    f->window->resize(size);
    QTRY_COMPARE(f->window->size(), size);
    for (int i = 0; i < widgets.size(); ++i)
        QCOMPARE(widgets.at(i)->geometry(), before.at(i));
}

void tst_WindowForm::existingObjectNameIsKept()
{
    QMainWindow named;
    named.setObjectName("Planner");
    Ui::MainWindow form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QString("Planner"));

    QCOMPARE(f->window->objectName(), QString("MainWindow"));
}

void tst_WindowForm::startsOnTodayWithNothingOnDiskAndNoMessage()
{
    QCoreApplication::processEvents();
    QCOMPARE(f->calendar()->selectedDate(), QDate::currentDate());
    QCOMPARE(f->child<QListWidget>("GroceryList")->count(), 0);
    QCOMPARE(f->child<QTextEdit>("TextBox")->toPlainText(), QString());
    for (QWidget *topLevel : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<QMessageBox *>(topLevel), "start-up showed a message");
    QCOMPARE(f->home.entries(), QStringList());
}

void tst_WindowForm::calendarTextsAreReadable_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::addColumn<QString>("base");

    QTest::newRow("the default palette") << QApplication::palette() << "#ffffff";
    QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    QTest::newRow("a dark palette the user chose") << dark << "#1e1e1e";
    // White on black, a cyan highlight and green for what is disabled.
    QPalette highContrast(Qt::white, Qt::black);
    highContrast.setColor(QPalette::Base, Qt::black);
    highContrast.setColor(QPalette::AlternateBase, Qt::black);
    highContrast.setColor(QPalette::Text, Qt::white);
    highContrast.setColor(QPalette::Disabled, QPalette::Text, QColor(0x3f, 0xf2, 0x3f));
    highContrast.setColor(QPalette::Highlight, QColor(0x1a, 0xeb, 0xff));
    highContrast.setColor(QPalette::HighlightedText, Qt::black);
    QTest::newRow("high contrast") << highContrast << "#000000";
}

// Every cell as the calendar's model gives it to be painted, the selected day with
// the window active and not, and the month header.
void tst_WindowForm::calendarTextsAreReadable()
{
    QFETCH(QPalette, palette);
    QFETCH(QString, base);

    const QPalette before = QApplication::palette();
    QApplication::setPalette(palette);
    auto *calendar = f->calendar();
    auto *view = calendar->findChild<QAbstractItemView *>("qt_calendar_calendarview");
    auto unreadableTexts = [calendar, view] {
        QStringList unreadable;
        auto check = [&unreadable](const QString &what, const QColor &text, const QColor &background) {
            // As painted, eight bits a channel.
            if (contrastRatio(QColor(text.rgb()), QColor(background.rgb())) < 4.5)
                unreadable << QString("%1 %2 on %3").arg(what, text.name(), background.name());
        };
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            for (int column = 0; column < view->model()->columnCount(); ++column) {
                const QModelIndex cell = view->model()->index(row, column);
                check(cell.data().toString(), cell.data(Qt::ForegroundRole).value<QColor>(),
                      cell.data(Qt::BackgroundRole).value<QColor>());
            }
        }
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            check("selected day", view->palette().color(group, QPalette::HighlightedText),
                  view->palette().color(group, QPalette::Highlight));
        }
        auto *header = calendar->findChild<QWidget *>("qt_calendar_monthbutton");
        const QWidget *bar = header->parentWidget();
        check("month header", header->palette().color(header->foregroundRole()),
              bar->palette().color(bar->backgroundRole()));
        return unreadable;
    };
    // The colours follow a new palette once the events it sends have been handled.
    QTRY_COMPARE(view->palette().color(QPalette::Base).name(), base);
    QTRY_COMPARE(unreadableTexts(), QStringList());
    QApplication::setPalette(before);
}

QTEST_MAIN(tst_WindowForm)
#include "tst_windowform.moc"
