// SPDX-License-Identifier: GPL-3.0-or-later
// The window in a process of its own, as ladlewise opens it: after the given
// milliseconds it prints what the note box shows, and quits (notewindow <milliseconds>).
#include "mainwindow.h"

#include <QApplication>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    MainWindow window;
    window.show();
    QTimer::singleShot(QByteArray(argv[1]).toInt(), &app, [&window] {
        std::fputs(window.findChild<QTextEdit *>("TextBox")->toPlainText().toUtf8().constData(), stdout);
        QApplication::quit();
    });
    return app.exec();
}
