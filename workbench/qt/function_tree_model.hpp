#pragma once
// FunctionTreeModel: the function browser's tree as a Qt item model that a
// function tree fills through FunctionTreeNodes, so that a tree of many
// thousands of nodes shows at once in a QTreeView.

#include <QAbstractItemModel>

#include <string>
#include <vector>

#include "compiler/function_tree.hpp"

namespace vantorb {

class FunctionTreeModel : public QAbstractItemModel, public FunctionTreeNodes {
  Q_OBJECT

 public:
  using QAbstractItemModel::QAbstractItemModel;

  void Clear();
  TreeNodeHandle AddNode(std::optional<TreeNodeHandle> parent,
                         const std::string& label) override;

  QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Node {
    QString label;
    std::optional<TreeNodeHandle> parent;
    int row;
    std::vector<TreeNodeHandle> children;
  };
  const std::vector<TreeNodeHandle>& ChildrenOf(const QModelIndex& parent) const;
  QModelIndex IndexOf(TreeNodeHandle node) const;

  std::vector<Node> nodes_;
  std::vector<TreeNodeHandle> roots_;
};

}  // namespace vantorb
