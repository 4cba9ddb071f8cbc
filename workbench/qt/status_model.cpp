#include "workbench/qt/status_model.hpp"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace vantorb {

void StatusModel::Refresh() {
  beginResetModel();
  endResetModel();
}

int StatusModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || simulator_ == nullptr) return 0;
  return static_cast<int>(simulator_->StatusRowCount());
}

int StatusModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant StatusModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || simulator_ == nullptr) return {};
  // The grid's row 0 is its header row "Neuron" / "Output".
  if (role == Qt::DisplayRole)
    return QString::fromStdString(simulator_->StatusCell(index.row(), index.column()));
  if (role == Qt::ToolTipRole) {
    const std::string hint = simulator_->StatusHint(index.row() + 1, index.column());
    return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
  }
  return {};
}

QVariant StatusModel::headerData(int section, Qt::Orientation orientation,
                                 int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QString("Neuron") : QString("Output");
}

bool NameTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip && index.isValid()) {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const int needed = sizeHint(item, index).width();
    if (needed > option.rect.width()) {
      QToolTip::showText(event->globalPos(), index.data().toString(), view->viewport(),
                         option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace vantorb
