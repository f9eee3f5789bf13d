// SPDX-License-Identifier: GPL-3.0-or-later
#include "daynames.h"
#include "notenames.h"

#include <QtTest>

// A note's name comes from the program's own table, so that every build writes one
// name for a day and reads the names every other build writes.
class tst_DayNames : public QObject
{
    Q_OBJECT

private slots:
    void everyBuildWritesOneName_data();
    void everyBuildWritesOneName();
    void namesOfEitherBuildAreRead_data();
    void namesOfEitherBuildAreRead();
    void everyWrittenNameReadsBackAsItsDay();
};

// As a Qt 5.15 build has always written them.
void tst_DayNames::everyBuildWritesOneName_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");

    QTest::newRow("German") << "de_DE.UTF-8" << "Do. Sept. 19 2019";
    QTest::newRow("Canadian English") << "en_CA.UTF-8" << "Thu. Sep. 19 2019";
    QTest::newRow("Mexican Spanish") << "es_MX.UTF-8" << "jue sep. 19 2019";
    QTest::newRow("French") << "fr_FR" << "jeu. sept. 19 2019";
    QTest::newRow("Japanese") << "ja_JP.UTF-8" << "木 9月 19 2019";
    QTest::newRow("Serbian, Cyrillic by default") << "sr_RS" << "чет сеп 19 2019";
    QTest::newRow("Serbian in Latin") << "sr_Latn_RS" << "čet sep 19 2019";
    QTest::newRow("C") << "C.UTF-8" << "Thu Sep 19 2019";
    QTest::newRow("POSIX") << "POSIX" << "Thu Sep 19 2019";
    QTest::newRow("a country the table lacks: the language's") << "de_JP" << "Do. Sept. 19 2019";
    QTest::newRow("no such language: English") << "xx_YY" << "Thu Sep 19 2019";
}

void tst_DayNames::everyBuildWritesOneName()
{
    QFETCH(QString, locale);
    QFETCH(QString, name);

    QCOMPARE(dayNoteText(QDate(2019, 9, 19), dayNamesOf(locale)), name);
}

// Qt 6 spells 119 locales otherwise; a file another program named so is still the day's.
void tst_DayNames::namesOfEitherBuildAreRead_data()
{
    QTest::addColumn<QString>("fileName");

    QTest::newRow("Canadian English, Qt 5") << "Thu. Sep. 19 2019.txt";
    QTest::newRow("Canadian English, Qt 6") << "Thu Sept 19 2019.txt";
    QTest::newRow("Mexican Spanish, Qt 5") << "jue sep. 19 2019.txt";
    QTest::newRow("Mexican Spanish, Qt 6") << "jue sept 19 2019.txt";
    QTest::newRow("German") << "Do. Sept. 19 2019.txt";
    QTest::newRow("Japanese") << "木 9月 19 2019.txt";
}

void tst_DayNames::namesOfEitherBuildAreRead()
{
    QFETCH(QString, fileName);

    QCOMPARE(noteDay(fileName), QDate(2019, 9, 19));
}

// A name one locale writes must not read as another day in some other locale.
void tst_DayNames::everyWrittenNameReadsBackAsItsDay()
{
    int checked = 0;
    for (const DayNames &names : everyLocaleDayNames()) {
        if (!names.written)
            continue;
        for (const QDate day : {QDate(2019, 9, 19), QDate(2026, 3, 1), QDate(2024, 2, 29)}) {
            const QString fileName = dayNoteText(day, names) + ".txt";
            const QDate read = noteDay(fileName);
            QVERIFY2(read == day || !read.isValid(), qPrintable(names.locale + ": " + fileName));
            checked += read == day;
        }
    }
    // A few names mean two days in two languages, and are left alone; the rest read back.
    QVERIFY2(checked > 3 * 600, qPrintable(QString::number(checked)));
}

QTEST_GUILESS_MAIN(tst_DayNames)
#include "tst_daynames.moc"
