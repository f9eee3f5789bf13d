// SPDX-License-Identifier: GPL-3.0-or-later
// Takes text dropped on a widget (from the note box, a browser, any program) and
// hands it on, so that the widget needs no drop handling of its own. The drag is
// always a copy: the source keeps its text. Drops without text are refused.
#ifndef TEXTDROPFILTER_H
#define TEXTDROPFILTER_H

#include <QObject>
#include <QString>

class QWidget;

class TextDropFilter : public QObject
{
    Q_OBJECT

public:
    explicit TextDropFilter(QObject *parent = nullptr);

    void watch(QWidget *target);

signals:
    void textDropped(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif // TEXTDROPFILTER_H
