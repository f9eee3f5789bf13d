#include "calendaraccessible.h"

#include "accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHash>
#include <QLocale>
#include <QPointer>
#include <QTextCharFormat>

namespace {

class CalendarTable;

// One cell of the calendar's table: a weekday header in the first row, then a day.
// Row and column -1 stand for the table view's hidden headers, which the view counts
// when it numbers its cells in the events it sends.
class CalendarCell : public QAccessibleInterface,
                     public QAccessibleTableCellInterface,
                     public QAccessibleActionInterface
{
public:
    CalendarCell(QAbstractItemView *view, QCalendarWidget *calendar, int row, int column)
        : view(view), calendar(calendar), row(row), column(column)
    {
    }

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
        if (column < 0)
            return QAccessible::RowHeader;
        return day().isValid() ? QAccessible::Cell : QAccessible::ColumnHeader;
    }

    QRect rect() const override
    {
        const QRect cell = view->visualRect(view->model()->index(row, column));
        return cell.translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QString text(QAccessible::Text kind) const override
    {
        const QDate date = day();
        if (kind == QAccessible::Description)
            return date.isValid() ? calendarDayDescription(calendar, date) : QString();
        if (kind != QAccessible::Name)
            return QString();
        if (date.isValid())
            return QLocale().toString(date, QLocale::LongFormat);
        if (column < 0)
            return QString();
        return QLocale().dayName(calendarCellDate(calendar, 1, column).dayOfWeek(), QLocale::LongFormat);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = row < 0 || column < 0;
        if (!day().isValid())
            return state;
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = view->hasFocus() && view->currentIndex() == view->model()->index(row, column);
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

    bool isSelected() const override { return day().isValid() && day() == calendar->selectedDate(); }
    QList<QAccessibleInterface *> columnHeaderCells() const override;
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column; }
    int rowIndex() const override { return row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    // Picking a day through the accessibility interface is the user's pick.
    QStringList actionNames() const override
    {
        if (!day().isValid())
            return {};
        return {toggleAction(), pressAction(), setFocusAction()};
    }
    void doAction(const QString &) override
    {
        if (day().isValid())
            calendar->setSelectedDate(day());
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QDate day() const { return calendarCellDate(calendar, row, column); }

    QPointer<QAbstractItemView> view;
    QPointer<QCalendarWidget> calendar;
    const int row;
    const int column;
};

// The table of the calendar, its first row the weekday headers; cells are made as
// asked for and kept, since each stands for a place in the table, whatever month.
// Rows and columns are the calendar's; the children are numbered as the view does.
class CalendarTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    CalendarTable(QAbstractItemView *view, QCalendarWidget *calendar)
        : QAccessibleWidget(view, QAccessible::Table), view(view), calendar(calendar)
    {
    }
    ~CalendarTable() override
    {
        for (QAccessible::Id id : qAsConst(cells))
            QAccessible::deleteAccessibleInterface(id);
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return (rowCount() + 1) * (columnCount() + 1); }
    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex current = view->currentIndex();
        return view->hasFocus() && current.isValid() ? cellAt(current.row(), current.column()) : nullptr;
    }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto id = cells.constFind(index);
        if (id == cells.constEnd()) {
            QAccessibleInterface *cell = new CalendarCell(view, calendar, index / (columnCount() + 1) - 1,
                                                          index % (columnCount() + 1) - 1);
            id = cells.insert(index, QAccessible::registerAccessibleInterface(cell));
        }
        return QAccessible::accessibleInterface(*id);
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const QAccessibleTableCellInterface *cell = const_cast<QAccessibleInterface *>(child)->tableCellInterface();
        return cell ? childIndex(cell->rowIndex(), cell->columnIndex()) : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view->indexAt(view->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
    }

    QAccessibleInterface *cellAt(int row, int column) const override
    {
        return child(childIndex(row, column));
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
        QList<QAccessibleInterface *> selected;
        for (int index = 0; index < childCount(); ++index) {
            if (child(index)->tableCellInterface()->isSelected())
                selected << child(index);
        }
        return selected;
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
    // As the view numbers its cells: the hidden header row and column come first.
    int childIndex(int row, int column) const { return (row + 1) * (columnCount() + 1) + column + 1; }

    QAbstractItemView *view;
    QCalendarWidget *calendar;
    mutable QHash<int, QAccessible::Id> cells;
};

QList<QAccessibleInterface *> CalendarCell::columnHeaderCells() const
{
    return {parent()->tableInterface()->cellAt(0, column)};
}

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

QString calendarDayDescription(const QCalendarWidget *calendar, const QDate &day)
{
    QStringList parts;
    if (calendar->dateTextFormat(day).fontWeight() == QFont::Bold)
        parts << QStringLiteral("has a meal note");
    if (day == QDate::currentDate())
        parts << QStringLiteral("today");
    if (day.month() != calendar->monthShown() || day.year() != calendar->yearShown())
        parts << QStringLiteral("other month");
    return parts.join(QStringLiteral(", "));
}
