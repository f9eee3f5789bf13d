// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopscale.h"

#include <QtTest>

// The scale the window opens at, from the desktop's font DPI and the screen's free
// area; the window frame is counted in.
class tst_DesktopScale : public QObject
{
    Q_OBJECT

private slots:
    void scaleFitsTheScreen_data();
    void scaleFitsTheScreen();
    void fontDpiIsReadFromTheResources_data();
    void fontDpiIsReadFromTheResources();
};

void tst_DesktopScale::scaleFitsTheScreen_data()
{
    QTest::addColumn<int>("fontDpi");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<qreal>("scale");

    QTest::newRow("no font DPI, whatever the screen's size") << 0 << QSize(1920, 1050) << 1.0;
    QTest::newRow("96 DPI") << 96 << QSize(1920, 1050) << 1.0;
    QTest::newRow("125 %") << 120 << QSize(1920, 1050) << 1.25;
    QTest::newRow("150 % on a 1920x1080 screen with a panel") << 144 << QSize(1920, 1050) << 1050.0 / 776;
    QTest::newRow("150 % on a laptop too small for it") << 144 << QSize(1366, 740) << 1.0;
    QTest::newRow("no font DPI on a screen smaller than the window") << 0 << QSize(1280, 720) << 1.0;
    QTest::newRow("200 % on a 4K screen") << 192 << QSize(3840, 2100) << 2.0;
    QTest::newRow("a free area not known") << 144 << QSize() << 1.5;
}

void tst_DesktopScale::scaleFitsTheScreen()
{
    QFETCH(int, fontDpi);
    QFETCH(QSize, available);
    QFETCH(qreal, scale);

    QCOMPARE(windowScale(fontDpi, available), scale);
    if (!available.isEmpty() && scale > 1) {
        const QSize scaled = framedWindowSize * scale;
        QVERIFY(scaled.width() <= available.width() && scaled.height() <= available.height());
    }
}

void tst_DesktopScale::fontDpiIsReadFromTheResources_data()
{
    QTest::addColumn<QByteArray>("resources");
    QTest::addColumn<int>("fontDpi");

    QTest::newRow("none set") << QByteArray("Xcursor.size:\t24\n") << 0;
    QTest::newRow("among others") << QByteArray("Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n") << 144;
    QTest::newRow("written as a decimal") << QByteArray("Xft.dpi: 120.0") << 120;
    QTest::newRow("set twice, the later counts") << QByteArray("Xft.dpi: 120\nXft.dpi: 192\n") << 192;
    QTest::newRow("not a number") << QByteArray("Xft.dpi: large\n") << 0;
    QTest::newRow("another resource ending alike") << QByteArray("MyXft.dpi: 144\n") << 0;
}

void tst_DesktopScale::fontDpiIsReadFromTheResources()
{
    QFETCH(QByteArray, resources);
    QFETCH(int, fontDpi);

    QCOMPARE(fontDpiOfResources(resources), fontDpi);
}

QTEST_APPLESS_MAIN(tst_DesktopScale)
#include "tst_desktopscale.moc"
