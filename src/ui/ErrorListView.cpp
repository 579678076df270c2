#include "ui/ErrorListView.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

#include "ui/ErrorListColumns.h"
#include "ui/ErrorListModel.h"

namespace tenvor {

ErrorListView::ErrorListView(QWidget* parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void ErrorListView::InitColumns(ErrorListModel* model)
{
    model_ = model;
    setModel(model);
    for (int column = 0; column < static_cast<int>(kErrorListColumns.size()); ++column) {
        setColumnWidth(column, kErrorListColumns[static_cast<std::size_t>(column)].width);
    }
}

int ErrorListView::HeaderWidth(int column) const
{
    return horizontalHeader()->sectionSizeHint(column);
}

int ErrorListView::ContentsWidth(int column) const
{
    if (model_ == nullptr || model_->Rows().empty()) {
        return 0;
    }
    // Text is laid out in fractions of a pixel, and the cell cuts it short with an ellipsis as
    // soon as it is wider than the room it has: 236.41 pixels of text need 237 pixels.
    const QFontMetricsF metrics(font(), viewport());
    qreal widest = 0;
    const QString* previous = nullptr;
    for (const ErrorListModel::Row& row : model_->Rows()) {
        const QString& text = row[static_cast<std::size_t>(column)];
        if (previous != nullptr && text == *previous) {
            continue;  // the error texts come in runs of equal texts; measure each run once
        }
        widest = std::max(widest, metrics.horizontalAdvance(text));
        previous = &text;
    }
    // The item delegate's text margins on both sides, and the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return static_cast<int>(std::ceil(widest)) + 2 * margin + (showGrid() ? 1 : 0);
}

void ErrorListView::FitColumns()
{
    const int columns = static_cast<int>(kErrorListColumns.size());
    int used = 0;
    for (int column = 0; column < columns; ++column) {
        int width = std::max(HeaderWidth(column), ContentsWidth(column));
        if (column == columns - 1) {
            width = std::max(width, viewport()->width() - used);
        }
        setColumnWidth(column, width);
        used += width;
    }
}

void ErrorListView::ScrollToOrigin()
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    verticalScrollBar()->setValue(verticalScrollBar()->minimum());
}

int ErrorListView::FirstSelectedRow() const
{
    if (selectionModel() == nullptr) {
        return -1;
    }
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return -1;
    }
    const auto top = std::min_element(rows.begin(), rows.end(),
                                      [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return top->row();
}

bool ErrorListView::viewportEvent(QEvent* event)
{
    const bool handled = QTableView::viewportEvent(event);
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit Clicked();
    }
    return handled;
}

void ErrorListView::keyPressEvent(QKeyEvent* event)
{
    const bool menuKey =
        event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        // The key itself opens the menu, on every platform alike; the keyboard's context menu
        // event that some platforms add is passed over (contextMenuEvent).
        event->accept();
        const int row = FirstSelectedRow();
        if (row >= 0) {
            scrollTo(model()->index(row, 0));
            const QRect cell = visualRect(model()->index(row, 0));
            emit RowMenuRequested(row, viewport()->mapToGlobal(cell.center()));
        }
        return;
    }
    handlingKey_ = true;
    selectionChangedByKey_ = false;
    QTableView::keyPressEvent(event);
    handlingKey_ = false;
    if (selectionChangedByKey_) {
        selectionChangedByKey_ = false;
        emit SelectedWithKeyboard();
    }
}

void ErrorListView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        return;  // the key press has opened the menu already
    }
    // A mouse's menu event comes through the viewport, in its coordinates; the press before it
    // has selected the row.
    const int row = rowAt(event->pos().y());
    if (row >= 0) {
        emit RowMenuRequested(row, event->globalPos());
    }
}

void ErrorListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (handlingKey_) {
        selectionChangedByKey_ = true;
    }
}

void ErrorListView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!hasFocus() || model() == nullptr || model()->rowCount() > 0) {
        return;
    }
    // With rows, the current row shows the focus; without any, a frame where the first row would
    // be shows it, drawn as the style draws a focused row.
    QStyleOptionFocusRect option;
    option.initFrom(this);  // focus and keyboard-focus states as for the rows
    option.backgroundColor = palette().color(QPalette::Base);
    const int width = std::min(viewport()->width(), horizontalHeader()->length() - horizontalOffset());
    option.rect = QRect(0, 0, std::max(width, 0), verticalHeader()->defaultSectionSize());
    QPainter painter(viewport());
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void ErrorListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void ErrorListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

}  // namespace tenvor
