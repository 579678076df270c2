// The error list as a report view: three left-aligned columns with grid lines, whole rows
// selected, several rows at a time. It reports every left click in its item area, on a row or
// on the empty space below the rows, and every key press that changed the selection. The full
// path of a row shows as the tooltip of its path cell; an empty list that has the keyboard focus
// shows a focus frame where its first row would be. A right click on a row, and the menu key (or
// Shift+F10) on the selected row, ask for that row's context menu.
#pragma once

#include <QTableView>

namespace tenvor {

class ErrorListModel;

class ErrorListView : public QTableView {
    Q_OBJECT

public:
    explicit ErrorListView(QWidget* parent = nullptr);

    // Binds the model and sets the columns' initial widths.
    void InitColumns(ErrorListModel* model);
    // Sizes every column to the wider of its header and its widest text, over all rows, so that
    // neither is cut short; the last column also takes up the view's remaining width.
    void FitColumns();
    // Scrolls back to the first row and the first column, so that the header shows its titles.
    void ScrollToOrigin();
    // The first selected row from the top, -1 when none is selected.
    int FirstSelectedRow() const;
    // The width a column's header needs.
    int HeaderWidth(int column) const;
    // The width a column's cells need: its widest text, rounded up to whole pixels, plus the
    // cell's margins and grid line.
    int ContentsWidth(int column) const;

signals:
    void Clicked();
    void SelectedWithKeyboard();
    // The context menu of a row is asked for, to open at globalPos.
    void RowMenuRequested(int row, QPoint globalPos);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    ErrorListModel* model_ = nullptr;
    // While a key press is handled: whether it has changed the selection.
    bool handlingKey_ = false;
    bool selectionChangedByKey_ = false;
};

}  // namespace tenvor
