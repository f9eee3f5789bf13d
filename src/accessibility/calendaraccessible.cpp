// SPDX-License-Identifier: GPL-3.0-or-later
#include "calendaraccessible.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QTextCharFormat>
#include <QTimer>

#include <memory>
#include <utility>

namespace {

const int weeksShown = 6;

int headerRows(const QCalendarWidget *calendar)
{
    return calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
}

int headerColumns(const QCalendarWidget *calendar)
{
    return calendar->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
}

// Where the page shows a day, in the calendar's rows and columns; false where it
// does not show it.
bool placeOfDay(const QCalendarWidget *calendar, const QDate &day, int *row, int *column)
{
    const qint64 offset = calendarCellDate(calendar, headerRows(calendar), headerColumns(calendar)).daysTo(day);
    if (offset < 0 || offset >= 7 * weeksShown)
        return false;
    *row = headerRows(calendar) + int(offset / 7);
    *column = headerColumns(calendar) + int(offset % 7);
    return true;
}

// As the view numbers its cells in the events it sends: the hidden header row and
// column come first.
int childIndex(const QAbstractItemView *view, int row, int column)
{
    return (row + 1) * (view->model()->columnCount() + 1) + column + 1;
}

// One cell of the calendar's table. A day's cell stands for its date, wherever the
// page shows it, so that a move to the same place on another page is a move to
// another cell; the weekday headers of the first row, and the view's hidden headers
// at row or column -1, stand for their place.
class CalendarCell : public QAccessibleInterface,
                     public QAccessibleTableCellInterface,
                     public QAccessibleActionInterface
{
public:
    CalendarCell(QAbstractItemView *view, QCalendarWidget *calendar, const QDate &day)
        : view(view), calendar(calendar), day(day)
    {
    }
    CalendarCell(QAbstractItemView *view, QCalendarWidget *calendar, int row, int column)
        : view(view), calendar(calendar), headerRow(row), headerColumn(column)
    {
    }

    // A day off the page stays a valid object, which a screen reader that asks after it
    // a moment late still gets an answer from.
    bool isValid() const override { return view && calendar; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return parent()->window(); }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QAccessible::Role role() const override
    {
        if (day.isValid())
            return QAccessible::Cell;
        return headerColumn < 0 ? QAccessible::RowHeader : QAccessible::ColumnHeader;
    }

    QRect rect() const override
    {
        const QRect cell = view->visualRect(view->model()->index(rowIndex(), columnIndex()));
        return cell.translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Description)
            return day.isValid() ? calendarDayDescription(calendar, day) : QString();
        if (kind != QAccessible::Name)
            return QString();
        if (day.isValid())
            return QLocale().toString(day, QLocale::LongFormat);
        if (headerColumn < 0)
            return QString();
        return QLocale().dayName(calendarCellDate(calendar, 1, headerColumn).dayOfWeek(), QLocale::LongFormat);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !day.isValid() && (headerRow < 0 || headerColumn < 0);
        if (!day.isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = state.selected && view->hasFocus();
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override { return day.isValid() && day == calendar->selectedDate(); }
    // The day's name holds its weekday, which a header would only repeat.
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return place().second; }
    int rowIndex() const override { return place().first; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    // Picking a day through the accessibility interface is the user's pick.
    QStringList actionNames() const override
    {
        if (!day.isValid())
            return {};
        return {toggleAction(), pressAction(), setFocusAction()};
    }
    void doAction(const QString &) override
    {
        if (day.isValid())
            calendar->setSelectedDate(day);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    // Row and column now; -1 for a day the page does not show.
    std::pair<int, int> place() const
    {
        int row = headerRow;
        int column = headerColumn;
        if (day.isValid() && !placeOfDay(calendar, day, &row, &column))
            return {-1, -1};
        return {row, column};
    }

    QPointer<QAbstractItemView> view;
    QPointer<QCalendarWidget> calendar;
    const QDate day;
    const int headerRow = 0;
    const int headerColumn = 0;
};

// The table of the calendar, its first row the weekday headers; cells are made as
// asked for and kept while their day is on the page. Rows and columns are the
// calendar's; the children are numbered as the view does. It is offered as a list
// of its cells, since a screen reader reads a table's whole row at each move to
// another week; each cell still tells its row and column.
class CalendarTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    CalendarTable(QAbstractItemView *view, QCalendarWidget *calendar)
        : QAccessibleWidget(view, QAccessible::List), view(view), calendar(calendar)
    {
    }
    ~CalendarTable() override
    {
        for (QAccessible::Id id : qAsConst(headerCells))
            QAccessible::deleteAccessibleInterface(id);
        for (QAccessible::Id id : qAsConst(dayCells))
            QAccessible::deleteAccessibleInterface(id);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The month the days are of, as the page shows it.
    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name)
            return QAccessibleWidget::text(kind);
        return QLocale().standaloneMonthName(calendar->monthShown()) + QLatin1Char(' ')
               + QString::number(calendar->yearShown());
    }

    int childCount() const override { return (rowCount() + 1) * (columnCount() + 1); }
    QAccessibleInterface *focusChild() const override
    {
        return view->hasFocus() ? cellOfDay(calendar->selectedDate()) : nullptr;
    }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        const int row = index / (columnCount() + 1) - 1;
        const int column = index % (columnCount() + 1) - 1;
        const QDate day = calendarCellDate(calendar, row, column);
        return day.isValid() ? cellOfDay(day) : headerCell(index, row, column);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const QAccessibleTableCellInterface *cell = const_cast<QAccessibleInterface *>(child)->tableCellInterface();
        return cell && cell->rowIndex() != -1 ? childIndex(view, cell->rowIndex(), cell->columnIndex()) : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view->indexAt(view->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
    }

    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return child(childIndex(view, row, column));
    }
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override { return cellAt(0, column)->text(QAccessible::Name); }
    QString rowDescription(int) const override { return QString(); }
    int columnCount() const override { return view->model()->columnCount(); }
    int rowCount() const override { return view->model()->rowCount(); }
    int selectedCellCount() const override { return selectedCells().size(); }
    QList<QAccessibleInterface *> selectedCells() const override
    {
        QAccessibleInterface *selected = cellOfDay(calendar->selectedDate());
        return selected ? QList<QAccessibleInterface *>{selected} : QList<QAccessibleInterface *>();
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *) override {}

private:
    // Null for a day the page does not show.
    QAccessibleInterface *cellOfDay(const QDate &day) const
    {
        int row;
        int column;
        if (!placeOfDay(calendar, day, &row, &column))
            return nullptr;
        auto id = dayCells.constFind(day);
        if (id == dayCells.constEnd()) {
            forgetDaysNotShown();
            id = dayCells.insert(day, QAccessible::registerAccessibleInterface(new CalendarCell(view, calendar, day)));
        }
        return QAccessible::accessibleInterface(*id);
    }
    QAccessibleInterface *headerCell(int index, int row, int column) const
    {
        auto id = headerCells.constFind(index);
        if (id == headerCells.constEnd()) {
            QAccessibleInterface *cell = new CalendarCell(view, calendar, row, column);
            id = headerCells.insert(index, QAccessible::registerAccessibleInterface(cell));
        }
        return QAccessible::accessibleInterface(*id);
    }
    // Paging through the years would otherwise keep a cell for every day passed.
    void forgetDaysNotShown() const
    {
        if (dayCells.size() < 3 * 7 * weeksShown)
            return;
        for (auto cell = dayCells.begin(); cell != dayCells.end();) {
            if (QAccessible::accessibleInterface(*cell)->tableCellInterface()->rowIndex() != -1) {
                ++cell;
            } else {
                QAccessible::deleteAccessibleInterface(*cell);
                cell = dayCells.erase(cell);
            }
        }
    }

    QAbstractItemView *view;
    QCalendarWidget *calendar;
    mutable QHash<int, QAccessible::Id> headerCells;
    mutable QHash<QDate, QAccessible::Id> dayCells;
};

// Qt gives the calendar widget itself the role of a table with no table in it, which
// Orca reports as an error on every move; it is a group holding the month and year
// controls and the table of days.
QAccessibleInterface *calendarTableFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QCalendarWidget") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Grouping);
    if (className != QLatin1String("QCalendarView") || !object->isWidgetType())
        return nullptr;
    auto *view = qobject_cast<QAbstractItemView *>(object);
    QWidget *ancestor = view ? view->parentWidget() : nullptr;
    while (ancestor && !qobject_cast<QCalendarWidget *>(ancestor))
        ancestor = ancestor->parentWidget();
    return ancestor ? new CalendarTable(view, static_cast<QCalendarWidget *>(ancestor)) : nullptr;
}

} // namespace

void installCalendarAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(calendarTableFactory);
        return true;
    }();
    Q_UNUSED(installed)
}

// Qt's view sends a focus event when its current place changes, for whatever day
// that place shows at that moment. A day reached at the same place on another
// page, or one that the view's event found not yet on the page, gets its own event
// once the move is done; and so does entering the table, after the focus event of
// the table itself.
void announceFocusedDay(QCalendarWidget *calendar)
{
    auto *view = calendar->findChild<QAbstractItemView *>(QStringLiteral("qt_calendar_calendarview"));
    if (!view)
        return;
    const auto spokenDay = std::make_shared<QDate>();
    const auto pending = std::make_shared<bool>(false);
    const auto speakSelectedDay = [calendar, view, spokenDay, pending] {
        *pending = false;
        int row;
        int column;
        const QDate day = calendar->selectedDate();
        if (!QAccessible::isActive() || !view->hasFocus() || day == *spokenDay
                || !placeOfDay(calendar, day, &row, &column)) {
            return;
        }
        *spokenDay = day;
        // The cell itself, not its place, which the next page may give another day.
        QAccessibleEvent event(QAccessible::queryAccessibleInterface(view)->child(childIndex(view, row, column)),
                               QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    };
    const auto afterTheMove = [calendar, pending, speakSelectedDay] {
        if (!*pending)
            QTimer::singleShot(0, calendar, speakSelectedDay);
        *pending = true;
    };
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, calendar,
                     [calendar, spokenDay](const QModelIndex &current) {
        *spokenDay = calendarCellDate(calendar, current.row(), current.column());
    });
    QObject::connect(calendar, &QCalendarWidget::selectionChanged, calendar, afterTheMove);
    QObject::connect(qApp, &QApplication::focusChanged, calendar,
                     [view, spokenDay, afterTheMove](QWidget *, QWidget *now) {
        if (now != view)
            return;
        *spokenDay = QDate();
        afterTheMove();
    });
}

void nameDaysByMonth(QCalendarWidget *calendar)
{
    auto *view = calendar->findChild<QAbstractItemView *>(QStringLiteral("qt_calendar_calendarview"));
    if (!view)
        return;
    QObject::connect(calendar, &QCalendarWidget::currentPageChanged, view, [view] {
        if (!QAccessible::isActive())
            return;
        QAccessibleEvent event(view, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    });
}

QString calendarDayDescription(const QCalendarWidget *calendar, const QDate &day)
{
    QStringList parts;
    if (calendar->dateTextFormat(day).fontWeight() == QFont::Bold)
        parts << QStringLiteral("has a meal note");
    if (day == QDate::currentDate())
        parts << QStringLiteral("today");
    // Of the selected day's month, which the page comes to show; not of the page, which
    // at a quick pace may still show the month before.
    const QDate selected = calendar->selectedDate();
    if (day.month() != selected.month() || day.year() != selected.year())
        parts << QStringLiteral("other month");
    return parts.join(QStringLiteral(", "));
}
