// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QTextEdit>

// German abbreviates day and month names with a dot ("Do. Sept. 19 2019"), so the
// note's file name holds dots before the one that starts its extension.
class tst_DottedLocale : public QObject
{
    Q_OBJECT

private slots:
    void savedNoteIsFoundWhenTheDayIsPickedAgain();
};

void tst_DottedLocale::savedNoteIsFoundWhenTheDayIsPickedAgain()
{
    const QDate day(2019, 9, 19);
    const QString dayText = "Do. Sept. 19 2019";

    WindowFixture f;
    f.open();
    auto *calendar = f.child<QCalendarWidget>("Calendar");
    auto *box = f.child<QTextEdit>("TextBox");
    calendar->setSelectedDate(day);
    f.child<QPushButton>("EditButton")->click();
    QTest::keyClicks(box, "Zwiebelkuchen");
    f.child<QPushButton>("SaveButton")->click();
    QCOMPARE(readFile(f.home.notePath(dayText + ".txt")), QByteArray("Zwiebelkuchen"));
    QCOMPARE(calendar->dateTextFormat(day).fontWeight(), int(QFont::Bold));

    calendar->setSelectedDate(day.addDays(1));
    QCOMPARE(box->toPlainText(), QString());
    calendar->setSelectedDate(day);
    QCOMPARE(box->toPlainText(), QString("Zwiebelkuchen"));
}

int main(int argc, char *argv[])
{
    qputenv("LC_ALL", "de_DE");
    QApplication app(argc, argv);
    tst_DottedLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dottedlocale.moc"
