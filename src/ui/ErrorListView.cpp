#include "ui/ErrorListView.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

#include "diag/ErrorListColumns.h"
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
    const QFontMetrics metrics(font());
    int widest = 0;
    QString widestText;
    for (const ErrorListModel::Row& row : model_->Rows()) {
        const QString& text = row[static_cast<std::size_t>(column)];
        if (text == widestText) {
            continue;  // the error texts repeat; measure each run of equal texts once
        }
        const int width = metrics.horizontalAdvance(text);
        if (width > widest) {
            widest = width;
            widestText = text;
        }
    }
    // The item delegate's text margins on both sides, and the grid line.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return widest + 2 * margin + (showGrid() ? 1 : 0);
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

}  // namespace tenvor
