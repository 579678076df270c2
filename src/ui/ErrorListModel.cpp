#include "ui/ErrorListModel.h"

#include "ui/ErrorListColumns.h"

namespace tenvor {

ErrorListModel::ErrorListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ErrorListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ErrorListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ErrorListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !Contains(index.row(), index.column())) {
        return {};
    }
    const QString& text = rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
    if (role == Qt::DisplayRole) {
        return text;
    }
    if (role == Qt::ToolTipRole) {
        const QString& reason = reasons_[static_cast<std::size_t>(index.row())];
        if (index.column() == kPathColumn && !text.isEmpty()) {
            return reason.isEmpty() ? text : text + QStringLiteral("\n") + reason;
        }
        return reason.isEmpty() ? QVariant() : QVariant(reason);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

QVariant ErrorListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        const std::string_view header = kErrorListColumns[static_cast<std::size_t>(section)].header;
        return QString::fromUtf8(header.data(), static_cast<qsizetype>(header.size()));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

void ErrorListModel::Clear()
{
    if (rows_.empty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    kinds_.clear();
    reasons_.clear();
    endResetModel();
}

int ErrorListModel::InsertTopRow(std::optional<ErrorKind> kind, QString reason)
{
    beginInsertRows({}, 0, 0);
    rows_.emplace_front();
    kinds_.push_front(kind);
    reasons_.push_front(std::move(reason));
    endInsertRows();
    return 0;
}

std::optional<ErrorKind> ErrorListModel::RowKind(int row) const
{
    return Contains(row, 0) ? kinds_[static_cast<std::size_t>(row)] : std::nullopt;
}

QString ErrorListModel::RowReason(int row) const
{
    return Contains(row, 0) ? reasons_[static_cast<std::size_t>(row)] : QString();
}

void ErrorListModel::SetCell(int row, int column, const QString& text)
{
    if (!Contains(row, column)) {
        return;
    }
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

QString ErrorListModel::Cell(int row, int column) const
{
    return Contains(row, column) ? rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] : QString();
}

bool ErrorListModel::Contains(int row, int column) const
{
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() && column >= 0 && column < kColumnCount;
}

}  // namespace tenvor
