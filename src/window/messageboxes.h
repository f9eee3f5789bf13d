// SPDX-License-Identifier: GPL-3.0-or-later
// The window's questions and warnings. A screen reader reads a message box's text
// from its description, as it may find no label to read when the box appears.
#ifndef MESSAGEBOXES_H
#define MESSAGEBOXES_H

#include <QMessageBox>

QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButton defaultButton);
void showWarning(QWidget *parent, const QString &title, const QString &text);

#endif // MESSAGEBOXES_H
