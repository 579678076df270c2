// The rows of the error list: three texts per row, new rows inserted at the top. A deque keeps
// inserting at the top cheap however many rows a run lists. Each row keeps the record's kind and
// reason: every cell's tooltip gives the reason, the path cell's after its full text, for a path
// wider than the list.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <deque>
#include <optional>

#include "shared/ErrorKind.h"

namespace tenvor {

class ErrorListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kColumnCount = 3;
    static constexpr int kPathColumn = 2;
    using Row = std::array<QString, kColumnCount>;

    explicit ErrorListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void Clear();
    // An empty row at the top, of the error kind and with the reason given (if any); returns its
    // index, 0.
    int InsertTopRow(std::optional<ErrorKind> kind = std::nullopt, QString reason = {});
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;  // empty outside the rows and columns
    // The error kind of a row; nothing outside the rows or for a row inserted without one.
    std::optional<ErrorKind> RowKind(int row) const;
    // The reason of a row; empty outside the rows.
    QString RowReason(int row) const;

    const std::deque<Row>& Rows() const { return rows_; }

private:
    bool Contains(int row, int column) const;

    std::deque<Row> rows_;                        // top row first
    std::deque<std::optional<ErrorKind>> kinds_;  // the kind of each row, in the same order
    std::deque<QString> reasons_;                 // the reason of each row, in the same order
};

}  // namespace tenvor
