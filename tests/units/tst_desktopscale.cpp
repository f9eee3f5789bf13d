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

    // Fits exactly: the form at the scale, and the frame around it.
    auto fitting = [](int width, int height) {
        return std::floor(std::min((width - 8) / 1349.0, (height - 36) / 740.0) * 10000) / 10000;
    };
    QTest::newRow("no font DPI, whatever the screen's size") << 0 << QSize(1920, 1050) << 1.0;
    QTest::newRow("96 DPI") << 96 << QSize(1920, 1050) << 1.0;
    QTest::newRow("125 %") << 120 << QSize(1920, 1050) << 1.25;
    QTest::newRow("150 % on a 1920x1080 screen with a panel") << 144 << QSize(1920, 1050) << fitting(1920, 1050);
    QTest::newRow("a 1366x768 laptop with a 32-pixel panel") << 0 << QSize(1366, 736) << fitting(1366, 736);
    QTest::newRow("150 % on that laptop") << 144 << QSize(1366, 736) << fitting(1366, 736);
    QTest::newRow("a screen just large enough") << 0 << QSize(1357, 776) << 1.0;
    QTest::newRow("a netbook: no smaller than readable") << 0 << QSize(1024, 576) << smallestScale;
    QTest::newRow("200 % on a 4K screen") << 192 << QSize(3840, 2100) << 2.0;
    QTest::newRow("a free area not known") << 144 << QSize() << 1.5;
}

void tst_DesktopScale::scaleFitsTheScreen()
{
    QFETCH(int, fontDpi);
    QFETCH(QSize, available);
    QFETCH(qreal, scale);

    QCOMPARE(windowScale(fontDpi, available), scale);
    // As Qt sizes the window at that scale, and the window manager frames it.
    const QSize framed = QSize(qRound(formSize.width() * scale), qRound(formSize.height() * scale)) + windowFrame;
    if (!available.isEmpty() && scale > smallestScale)
        QVERIFY2(framed.width() <= available.width() && framed.height() <= available.height(),
                 qPrintable(QString("%1x%2").arg(framed.width()).arg(framed.height())));
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
