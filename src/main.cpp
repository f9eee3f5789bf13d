// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktopscale.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The whole fixed-size window scales with its fonts, by the exact factor; where
    // the scale is left to Qt (not on X, or chosen by the user), as Qt reads it.
    [[maybe_unused]] const bool scaleApplied = applyDesktopScale();
#if QT_VERSION_MAJOR < 6
    // Qt 6 always scales so, and always draws its pixmaps for the scale.
    if (!scaleApplied)
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    // Lets the desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LADLEWISE_APP_ID));
    MainWindow window;
    window.show();
    return app.exec();
}
