#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // On a scaled screen (120, 144, 192 DPI) the whole fixed-size window scales with
    // its fonts, by the exact factor; at 96 DPI nothing changes.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    // Lets the desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ladlewise.Ladlewise"));
    MainWindow window;
    window.show();
    return app.exec();
}
