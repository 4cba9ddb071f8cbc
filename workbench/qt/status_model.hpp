#pragma once
// StatusModel: the status window's rows read from the Simulator as they are
// painted, so that a list of 100000 neurons costs only its visible rows.
// Hints come as tool tips of the "Output" cells; a "Neuron" cell too narrow
// for its name shows it elided, and whole as its tool tip (NameTipDelegate).
//
// Not thread-safe: the window's thread.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

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

// Shows a cell's whole text as its tool tip when the cell is too narrow to
// show it all, and the model's own tool tip otherwise.
class NameTipDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view,
                 const QStyleOptionViewItem& option, const QModelIndex& index) override;
};

}  // namespace vantorb
