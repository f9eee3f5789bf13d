// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdropfilter.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

TextDropFilter::TextDropFilter(QObject *parent)
    : QObject(parent)
{
}

void TextDropFilter::watch(QWidget *target)
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool TextDropFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        // Anything else, the list's own items included, would add an entry that is
        // never written.
        auto *drop = static_cast<QDropEvent *>(event);
        if (!drop->mimeData()->hasText()) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (event->type() == QEvent::Drop)
            emit textDropped(drop->mimeData()->text());
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
