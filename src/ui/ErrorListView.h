// The error list as a report view: three left-aligned columns with grid lines, whole rows
// selected, several rows at a time. It reports every left click in its item area, on a row or
// on the empty space below the rows.
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
    // Sizes every column to the wider of its header and its longest text, over all rows; the
    // last column also takes up the view's remaining width.
    void FitColumns();
    // The first selected row from the top, -1 when none is selected.
    int FirstSelectedRow() const;
    // The width a column's header needs.
    int HeaderWidth(int column) const;
    // The width a column's cells need: its widest text plus the cell's margins.
    int ContentsWidth(int column) const;

signals:
    void Clicked();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    ErrorListModel* model_ = nullptr;
};

}  // namespace tenvor
