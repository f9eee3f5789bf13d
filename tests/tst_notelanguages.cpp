#include "testsupport.h"

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
    void saveKeepsTheNoteInItsFile();
    void twoNamesOfOneDayBecomeOne();

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

void tst_NoteLanguages::noteNamedInAnyLanguageIsFound_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("found");

    QTest::newRow("British English") << "de_DE" << "Thu Sept 19 2019.txt" << true;
    QTest::newRow("American English") << "de_DE" << "Thu Sep 19 2019.txt" << true;
    QTest::newRow("French") << "de_DE" << "jeu. sept. 19 2019.txt" << true;
    QTest::newRow("Japanese") << "de_DE" << "木 9月 19 2019.txt" << true;
    QTest::newRow("German under C") << "C" << "Do. Sept. 19 2019.txt" << true;
    QTest::newRow("another language's look-alike") << "de_DE" << "Thu Sep 19 2019.old.txt" << false;
    QTest::newRow("a weekday that is not the day's") << "de_DE" << "Fri Sep 19 2019.txt" << false;
}

void tst_NoteLanguages::noteNamedInAnyLanguageIsFound()
{
    QFETCH(QString, system);
    QFETCH(QString, fileName);
    QFETCH(bool, found);
    if (rerunUnder(system))
        return;

    QVERIFY(writeFile(f->home.notePath(fileName), "Zwiebelkuchen"));
    f->openOn(day);
    QCOMPARE(f->box()->toPlainText(), QString(found ? "Zwiebelkuchen" : ""));
    QCOMPARE(f->child<QCalendarWidget>("Calendar")->dateTextFormat(day).fontWeight() == QFont::Bold, found);
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

int main(int argc, char *argv[])
{
    const QByteArray locale = qgetenv(localeVariable);
    qputenv("LC_ALL", locale.isEmpty() ? QByteArray("de_DE") : locale);
    QApplication app(argc, argv);
    tst_NoteLanguages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_notelanguages.moc"
