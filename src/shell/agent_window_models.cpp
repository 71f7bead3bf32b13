#include "shell/agent_window_models.h"

#include "shell/startup.h"

namespace velmora::shell {

namespace {

constexpr const char* kErrorHeaders[ErrorRowsModel::kColumnCount] = {
    "UpTime", "Module", "Message", "Updated", "Rno"};

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
  switch (index.column()) {
    case kUpTime: return text(row.upTime);
    case kModule: return text(row.module);
    case kMessage: return text(row.message);
    case kUpdated: return text(row.updated);
    case kRno: return QVariant::fromValue<qlonglong>(row.rno);
    default: return {};
  }
}

QVariant ErrorRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= kColumnCount) return {};
  return QString::fromLatin1(kErrorHeaders[section]);
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
