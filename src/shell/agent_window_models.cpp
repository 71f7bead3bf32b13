#include "shell/agent_window_models.h"

#include "shell/startup.h"

namespace velmora::shell {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

}  // namespace

void ErrorRowsModel::setRows(std::vector<ErrorDisplayRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int ErrorRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ErrorRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ErrorRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  if (index.row() < 0 || index.row() >= rowCount()) return {};
  const ErrorDisplayRow& row = rows_[static_cast<std::size_t>(index.row())];
  if (index.column() == static_cast<int>(ErrorColumn::kRno)) {
    return QVariant::fromValue<qlonglong>(row.rno);
  }
  return text(errorCellText(row, static_cast<ErrorColumn>(index.column())));
}

QVariant ErrorRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= kColumnCount) return {};
  std::string_view header = kErrorColumns[static_cast<std::size_t>(section)].header;
  return QString::fromLatin1(header.data(), static_cast<qsizetype>(header.size()));
}

void fillHeadOfficeModel(QStandardItemModel& model, const std::vector<HeadOfficeRow>& rows) {
  model.clear();
  model.setColumnCount(static_cast<int>(kHeadOfficeColumnCount));
  QStringList headers;
  for (const HeadOfficeHeaderCell& cell : kHeadOfficeHeader) {
    headers << QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size()));
  }
  model.setHorizontalHeaderLabels(headers);
  for (const HeadOfficeRow& row : rows) {
    QList<QStandardItem*> items;
    for (const std::string& cell : row) items << new QStandardItem(text(cell));
    model.appendRow(items);
  }
}

}  // namespace velmora::shell
