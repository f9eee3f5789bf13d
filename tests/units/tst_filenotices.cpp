// SPDX-License-Identifier: GPL-3.0-or-later
#include "filenotices.h"

#include <QtTest>

// Warnings are read out by screen readers: a file is named by itself and its folder,
// the home folder as "~".
class tst_FileNotices : public QObject
{
    Q_OBJECT

private slots:
    void pathsAreNamedBriefly_data();
    void pathsAreNamedBriefly();
};

void tst_FileNotices::pathsAreNamedBriefly_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("brief");

    QTest::newRow("the list") << "/home/ann/Documents/ladlewise/data/list.txt"
                              << "list.txt in ~/Documents/ladlewise/data";
    QTest::newRow("the notes folder, written with a slash") << "/home/ann/Documents/ladlewise/data/saved_meals/"
                                                             << "saved_meals in ~/Documents/ladlewise/data";
    QTest::newRow("in the home folder itself") << "/home/ann/notes.txt" << "notes.txt in ~";
    QTest::newRow("outside the home folder") << "/srv/shared/list.txt" << "list.txt in /srv/shared";
    QTest::newRow("a folder named like the home's start") << "/home/annabel/list.txt" << "list.txt in /home/annabel";
    QTest::newRow("dots in the path") << "/home/ann/Documents/../Documents/ladlewise/./data/list.txt"
                                      << "list.txt in ~/Documents/ladlewise/data";
}

void tst_FileNotices::pathsAreNamedBriefly()
{
    QFETCH(QString, path);
    QFETCH(QString, brief);

    QCOMPARE(briefFilePath(path, "/home/ann"), brief);
}

QTEST_APPLESS_MAIN(tst_FileNotices)
#include "tst_filenotices.moc"
