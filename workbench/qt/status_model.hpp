#pragma once
// StatusModel: the status window's rows read from the Simulator as they are
// painted, so that a list of 100000 neurons costs only its visible rows.
// Hints come as tool tips of the "Output" cells.

#include <QAbstractTableModel>

#include "simulation/simulator.hpp"

namespace vantorb {

class StatusModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  StatusModel(QObject* parent) : QAbstractTableModel(parent) {}
  void Attach(const Simulator* simulator) { simulator_ = simulator; }
  void Refresh();

  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const Simulator* simulator_ = nullptr;
};

}  // namespace vantorb
