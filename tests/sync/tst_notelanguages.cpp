// SPDX-License-Identifier: GPL-3.0-or-later
#include "daynames.h"
#include "testsupport.h"

#include "daynotefiles.h"

// Notes saved under another language, or by a machine in another language sharing the
// folder, are the day's notes too. The system language is German unless a row asks
// for another, which then runs in a child process under that locale.
class tst_NoteLanguages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noteNamedInAnyLanguageIsFound_data();
    void noteNamedInAnyLanguageIsFound();
    void dayFilesAreChosenByOneRule_data();
    void dayFilesAreChosenByOneRule();
    void saveKeepsTheNoteInItsFile();
    void saveShowsWhatItSaved_data();
    void saveShowsWhatItSaved();
    void yesReplacesANoteJoinedMeanwhile_data();
    void yesReplacesANoteJoinedMeanwhile();
    void twoNamesOfOneDayBecomeOne();
    void twoWindowsStartedTogetherShowTheJoinedNote();

private:
    const QDate day = QDate(2019, 9, 19);
    std::unique_ptr<WindowFixture> f;
};

namespace {

const char *const localeVariable = "LADLEWISE_TEST_LC_ALL";

// Runs the current row again in a child process under locale; true when it did.
bool rerunUnder(const QString &locale)
{
    if (QLocale::system().name() == QLocale(locale).name())
        return false;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(localeVariable, locale);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString(QTest::currentTestFunction()) + ':' + QTest::currentDataTag()});
    [&child] {
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAll().constData());
    }();
    return true;
}

} // namespace

void tst_NoteLanguages::init()
{
    f.reset(new WindowFixture);
    QVERIFY(QDir().mkpath(f->home.notePath("")));
}

void tst_NoteLanguages::cleanup()
{
    f.reset();
}

// "März" as a Mac writes it: "a" and a combining diaeresis.
const QString decomposedMarch = QString("Ma\u0308rz").normalized(QString::NormalizationForm_D);

void tst_NoteLanguages::noteNamedInAnyLanguageIsFound_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("found");

    const QDate tuesday(2019, 9, 17);
    const QDate inMarch(2019, 3, 21);
    QTest::newRow("British English") << "de_DE" << day << "Thu Sept 19 2019.txt" << true;
    QTest::newRow("American English") << "de_DE" << day << "Thu Sep 19 2019.txt" << true;
    QTest::newRow("French") << "de_DE" << day << "jeu. sept. 19 2019.txt" << true;
    QTest::newRow("Japanese") << "de_DE" << day << "木 9月 19 2019.txt" << true;
    QTest::newRow("German under C") << "C" << day << "Do. Sept. 19 2019.txt" << true;
    // "tor." is Thursday in Danish and Norwegian, Tuesday in Slovenian.
    QTest::newRow("Slovenian under Danish") << "da_DK" << tuesday << "tor. sep. 17 2019.txt" << true;
    QTest::newRow("Slovenian under Norwegian") << "nb_NO" << tuesday << "tor. sep. 17 2019.txt" << true;
    QTest::newRow("decomposed German") << "de_DE" << inMarch << "Do. " + decomposedMarch + " 21 2019.txt" << true;
    QTest::newRow("decomposed German under C") << "C" << inMarch << "Do. " + decomposedMarch + " 21 2019.txt"
                                               << true;
    QTest::newRow("zero-padded day") << "de_DE" << QDate(2019, 9, 5) << "Thu Sep 05 2019.txt" << false;
    QTest::newRow("zero-padded day under C") << "C" << QDate(2019, 9, 5) << "Thu Sep 05 2019.txt" << false;
    QTest::newRow("another language's look-alike") << "de_DE" << day << "Thu Sep 19 2019.old.txt" << false;
    QTest::newRow("a weekday that is not the day's") << "de_DE" << day << "Fri Sep 19 2019.txt" << false;
}

// The box and the mark agree, whichever way.
void tst_NoteLanguages::noteNamedInAnyLanguageIsFound()
{
    QFETCH(QString, system);
    QFETCH(QDate, day);
    QFETCH(QString, fileName);
    QFETCH(bool, found);
    if (rerunUnder(system))
        return;

    QVERIFY(writeFile(f->home.notePath(fileName), "Zwiebelkuchen"));
    f->openOn(day);
    QCOMPARE(f->box()->toPlainText(), QString(found ? "Zwiebelkuchen" : ""));
    QCOMPARE(f->calendar()->dateTextFormat(day).fontWeight() == QFont::Bold, found);
}

void tst_NoteLanguages::dayFilesAreChosenByOneRule_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QStringList>("watched");
    QTest::addColumn<QStringList>("joined");

    const QString own = "Do. Sept. 19 2019.txt";
    const QString english = "Thu Sep 19 2019.txt";
    const QString lookAlike = "Do. Sept. 19 2019.zz.txt";
    const QString composed = "Do. März 21 2019.txt";
    const QString decomposed = "Do. " + decomposedMarch + " 21 2019.txt";
    const QDate inMarch(2019, 3, 21);
    QTest::newRow("look-alike alone") << QStringList{lookAlike} << day << lookAlike << own
                                      << QStringList{lookAlike} << QStringList();
    QTest::newRow("look-alike after the own name") << QStringList{own, lookAlike} << day << own << own
                                                   << QStringList{own, lookAlike} << QStringList();
    QTest::newRow("look-alike beside another language's name")
            << QStringList{"Do. Sept. 19 2019.old.txt", english} << day << english << english
            << QStringList{"Do. Sept. 19 2019.old.txt", english} << QStringList();
    QTest::newRow("two languages") << QStringList{english, own} << day << own << own
                                   << QStringList{english, own} << QStringList{own, english};
    QTest::newRow("two forms of one name") << QStringList{composed, decomposed} << inMarch << decomposed
                                           << decomposed << QStringList{composed, decomposed}
                                           << QStringList{decomposed, composed};
}

void tst_NoteLanguages::dayFilesAreChosenByOneRule()
{
    QFETCH(QStringList, files);
    QFETCH(QDate, day);
    const DayNoteFiles chosen = dayNoteFiles(files, day);
    QTEST(chosen.shown, "shown");
    QTEST(chosen.written, "written");
    QTEST(chosen.watched, "watched");
    QTEST(chosen.joined, "joined");
}

void tst_NoteLanguages::saveKeepsTheNoteInItsFile()
{
    const QString english = f->home.notePath("Thu Sep 19 2019.txt");
    QVERIFY(writeFile(english, "soup"));
    f->openOn(day);
    f->click("EditButton");
    f->box()->setPlainText("soup\ncurry");
    f->click("SaveButton");
    QCOMPARE(readFile(english), QByteArray("soup\ncurry"));
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files), QStringList("Thu Sep 19 2019.txt"));
}

void tst_NoteLanguages::saveShowsWhatItSaved_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("noteFile");
    QTest::addColumn<QString>("lookAlike");

    QTest::newRow("own name") << "de_DE" << "Do. Sept. 19 2019.txt" << "Do. Sept. 19 2019.txt.bak.txt";
    QTest::newRow("German name, English look-alike") << "en_US" << "Do. Sept. 19 2019.txt"
                                                     << "Thu Sep 19 2019.old.txt";
}

// A look-alike that sorts after the note never hides what Save wrote.
void tst_NoteLanguages::saveShowsWhatItSaved()
{
    QFETCH(QString, system);
    QFETCH(QString, noteFile);
    QFETCH(QString, lookAlike);
    if (rerunUnder(system))
        return;

    QVERIFY(writeFile(f->home.notePath(noteFile), "Stew"));
    QVERIFY(writeFile(f->home.notePath(lookAlike), "Old plan"));
    f->openOn(day);
    QCOMPARE(f->box()->toPlainText(), QString("Stew"));
    f->click("EditButton");
    f->box()->setPlainText("Stew\nrice");
    f->click("SaveButton");
    QTest::qWait(500);
    QCOMPARE(f->box()->toPlainText(), QString("Stew\nrice"));
    QCOMPARE(readFile(f->home.notePath(noteFile)), QByteArray("Stew\nrice"));
    f->calendar()->setSelectedDate(day.addDays(1));
    f->calendar()->setSelectedDate(day);
    QCOMPARE(f->box()->toPlainText(), QString("Stew\nrice"));
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files).size(), 2);
}

void tst_NoteLanguages::yesReplacesANoteJoinedMeanwhile_data()
{
    QTest::addColumn<QString>("system");
    QTest::newRow("English") << "en_US";
}

// While the user edits the English note, another machine joins it into its German
// name; Yes to "Note Changed" puts the user's text there, and the line the user
// replaced does not come back.
void tst_NoteLanguages::yesReplacesANoteJoinedMeanwhile()
{
    QFETCH(QString, system);
    if (rerunUnder(system))
        return;

    const QString english = f->home.notePath("Thu Sep 19 2019.txt");
    const QString german = f->home.notePath("Do. Sept. 19 2019.txt");
    QVERIFY(writeFile(english, "soup\nbread"));
    f->openOn(day);
    f->click("EditButton");
    f->box()->setPlainText("soup\nstew");
    QVERIFY(writeFile(german, "soup\nbread\ncurry") && QFile::remove(english));
    QTest::qWait(1000);
    QStringList questions;
    answerNextDialog<QMessageBox>([&](QMessageBox *box) {
        questions << box->windowTitle();
        box->button(QMessageBox::Yes)->click();
    });
    f->click("SaveButton");
    QCOMPARE(questions, QStringList("Note Changed"));
    QTest::qWait(1000);
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files), QStringList("Do. Sept. 19 2019.txt"));
    QCOMPARE(readFile(german), QByteArray("soup\nstew"));
    QCOMPARE(f->box()->toPlainText(), QString("soup\nstew"));
}

// Two machines in two languages saved the same new day while apart: both end with
// the file whose name sorts first, holding the lines of both.
void tst_NoteLanguages::twoNamesOfOneDayBecomeOne()
{
    QVERIFY(writeFile(f->home.notePath("Thu Sep 19 2019.txt"), "soup\nbread"));
    QVERIFY(writeFile(f->home.notePath("Do. Sept. 19 2019.txt"), "soup\ncurry"));
    f->openOn(day);
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files), QStringList("Do. Sept. 19 2019.txt"));
    QCOMPARE(readFile(f->home.notePath("Do. Sept. 19 2019.txt")), QByteArray("soup\ncurry\nbread"));
    QCOMPARE(f->box()->toPlainText(), QString("soup\ncurry\nbread"));
}

// Each window joins at start, under the lock; the one that comes second finds the
// other name gone and shows the joined note all the same.
void tst_NoteLanguages::twoWindowsStartedTogetherShowTheJoinedNote()
{
    const QDate today = QDate::currentDate();
    const QString german = f->home.notePath(dayNoteText(today, dayNamesOf("de_DE")) + ".txt");
    const QString english = f->home.notePath(QLocale(QLocale::English, QLocale::UnitedStates)
                                                     .toString(today, "ddd MMM d yyyy") + ".txt");
    QVERIFY(writeFile(german, "soup\nbread"));
    QVERIFY(writeFile(english, "soup\ncurry"));
    QProcess first, second;
    for (QProcess *window : {&first, &second})
        window->start(NOTEWINDOW, {"3000"});
    for (QProcess *window : {&first, &second}) {
        QVERIFY(window->waitForFinished(30000));
        QCOMPARE(window->exitCode(), 0);
        QCOMPARE(QString::fromUtf8(window->readAllStandardOutput()), QString("soup\nbread\ncurry"));
    }
    QCOMPARE(QDir(f->home.notePath("")).entryList(QDir::Files), QStringList(QFileInfo(german).fileName()));
}

int main(int argc, char *argv[])
{
    const QByteArray locale = qgetenv(localeVariable);
    qputenv("LC_ALL", locale.isEmpty() ? QByteArray("de_DE") : locale);
    QApplication app(argc, argv);
    tst_NoteLanguages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_notelanguages.moc"
