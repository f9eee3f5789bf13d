// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QHelpEvent>
#include <QToolTip>
#include <QPushButton>
#include <QTextEdit>

// Days with a meal note are bold in the calendar, so that the plan shows at a glance.
class tst_NoteMarks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.reset(); }

    void daysWithANoteAreBold_data();
    void daysWithANoteAreBold();
    void savingMarksTheDay();
    void pagingMarksTheOtherMonth();
    void noteAppearingOnDiskGetsItsMark();

private:
    void writeNote(const QString &name, const QByteArray &content)
    {
        QVERIFY(writeFile(f->home.notePath(name), content));
    }
    // Bold and underlined, so that more than weight tells the day.
    bool isMarked(const QDate &day) const
    {
        const QTextCharFormat mark = f->calendar()->dateTextFormat(day);
        return mark.fontWeight() == QFont::Bold && mark.fontUnderline();
    }

    // The tooltip a pause of the mouse over the day's cell shows.
    QString toolTipOf(const QDate &shown) const
    {
        QToolTip::hideText();
        if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }))
            return "the last tooltip stays";
        auto *view = f->calendar()->findChild<QAbstractItemView *>("qt_calendar_calendarview");
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            for (int column = 0; column < view->model()->columnCount(); ++column) {
                if (calendarCellDate(f->calendar(), row, column) != shown)
                    continue;
                const QPoint at = view->visualRect(view->model()->index(row, column)).center();
                QHelpEvent hover(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
                QApplication::sendEvent(view->viewport(), &hover);
                return QToolTip::isVisible() ? QToolTip::text() : QString();
            }
        }
        return "not on the page";
    }

    const QDate day = QDate(2019, 9, 19);
    const QString dayText = day.toString(Qt::TextDate);
    std::unique_ptr<WindowFixture> f;
};

void tst_NoteMarks::init()
{
    f.reset(new WindowFixture);
    QVERIFY(f->home.isValid());
}

void tst_NoteMarks::daysWithANoteAreBold_data()
{
    QTest::addColumn<QDate>("noted");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("bold");

    QTest::newRow("note") << day << ".txt" << QByteArray("soup\nbread") << true;
    QTest::newRow("empty note") << day << ".txt" << QByteArray() << false;
    QTest::newRow("second dot") << day << ".old.txt" << QByteArray("soup") << true;
    QTest::newRow("name only starting like the date") << day << "0.txt" << QByteArray("soup") << false;
    QTest::newRow("weekend") << QDate(2019, 9, 21) << ".txt" << QByteArray("soup") << true;
    QTest::newRow("grey day of the next month") << QDate(2019, 10, 2) << ".txt" << QByteArray("x") << true;
}

void tst_NoteMarks::daysWithANoteAreBold()
{
    QFETCH(QDate, noted);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, content);
    QFETCH(bool, bold);

    writeNote(noted.toString(Qt::TextDate) + suffix, content);
    f->open();
    f->calendar()->setSelectedDate(day);
    QCOMPARE(isMarked(noted), bold);
    QVERIFY2(!isMarked(noted.addDays(1)), "a day without a note is bold");
    QVERIFY2(!f->calendar()->dateTextFormat(noted).hasProperty(QTextFormat::ForegroundBrush),
             "the mark hides the calendar's own colours");
    QCOMPARE(toolTipOf(noted), bold ? QString(content) : QString());
    QCOMPARE(toolTipOf(noted.addDays(1)), QString());
}

void tst_NoteMarks::savingMarksTheDay()
{
    f->open();
    f->calendar()->setSelectedDate(day);
    QVERIFY(!isMarked(day));

    f->child<QPushButton>("EditButton")->click();
    QTest::keyClicks(f->child<QTextEdit>("TextBox"), "stew");
    f->child<QPushButton>("SaveButton")->click();
    QVERIFY(isMarked(day));
}

void tst_NoteMarks::pagingMarksTheOtherMonth()
{
    const QDate later(2020, 2, 29);
    writeNote(later.toString(Qt::TextDate) + ".txt", "pancakes");
    f->open();
    f->calendar()->setSelectedDate(day);
    QVERIFY(!isMarked(later));

    f->calendar()->setCurrentPage(2020, 2);
    QVERIFY(isMarked(later));
}

void tst_NoteMarks::noteAppearingOnDiskGetsItsMark()
{
    writeNote("placeholder.txt", "");
    f->open();
    f->calendar()->setSelectedDate(day);

    writeNote(dayText + ".txt", "curry");
    QTRY_VERIFY(isMarked(day));
    QVERIFY(QFile::remove(f->home.notePath(dayText + ".txt")));
    QTRY_VERIFY(!isMarked(day));
}

QTEST_MAIN(tst_NoteMarks)
#include "tst_notemarks.moc"
