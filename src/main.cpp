#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets the desktop match the window to its launcher entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ladlewise.Ladlewise"));
    MainWindow window;
    window.show();
    return app.exec();
}
