// SPDX-License-Identifier: GPL-3.0-or-later
#include "messageboxes.h"

#include <QLabel>

namespace {

QMessageBox::StandardButton showMessageBox(QMessageBox::Icon icon, QWidget *parent, const QString &title,
                                           const QString &text, QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setAccessibleDescription(text);
    // The text then labels the box, so that a screen reader that reads it as the
    // label does not read it again as the description.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
        label->setBuddy(&box);
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

// Yes or No, as QMessageBox::question asks.
QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButton defaultButton)
{
    return showMessageBox(QMessageBox::Question, parent, title, text, QMessageBox::Yes | QMessageBox::No,
                          defaultButton);
}

void showWarning(QWidget *parent, const QString &title, const QString &text)
{
    showMessageBox(QMessageBox::Warning, parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}
