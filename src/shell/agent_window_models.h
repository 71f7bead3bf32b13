// The item models behind the window's grids: today's error rows and the
// head-office list.
#pragma once

#include <QAbstractTableModel>
#include <QStandardItemModel>
#include <vector>

#include "cycle/cycle_view.h"
#include "shell/window_common.h"
#include "transfer/agent_context.h"

namespace velmora::shell {

// Today's error rows: UpTime, Module, Message, Updated, Rno.
class ErrorRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = kErrorColumnCount;

  explicit ErrorRowsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // Replaces every row.
  void setRows(std::vector<ErrorDisplayRow> rows);
  const std::vector<ErrorDisplayRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  std::vector<ErrorDisplayRow> rows_;
};

// The head-office list as a model of ten text columns under the list's
// header texts.
void fillHeadOfficeModel(QStandardItemModel& model, const std::vector<HeadOfficeRow>& rows);

}  // namespace velmora::shell
