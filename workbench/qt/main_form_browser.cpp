// The main window's Browser tab: the function tree, the parameter grid,
// Compute and Check result, the Result field and its label, and the network
// picture of the function chosen.

#include "workbench/qt/main_form.hpp"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QGraphicsScene>
#include <QSettings>
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/file_dialog.hpp"
#include "workbench/qt/program_editor.hpp"
#include "workbench/qt/network_picture.hpp"
#include "workbench/qt/waveform_panel.hpp"
#include "workbench/qt/status_model.hpp"

#include "workbench/qt/form_parts.hpp"

namespace vantorb {

void TMainForm::EnableCheckResult(bool enabled, const std::string& why) {
  check_->setEnabled(enabled);
  check_->setToolTip(enabled ? QString(kCheckResultTip) : Qs(why));
}

QWidget* TMainForm::CreateBrowserTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Function browser", page));
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns, 1);

  auto* hierarchy = new QGroupBox("Function hierarchy", page);
  auto* hierarchyLayout = new QVBoxLayout(hierarchy);
  treeModel_ = new FunctionTreeModel(this);
  treeView_ = new QTreeView(hierarchy);
  treeView_->setObjectName("TreeView");
  treeView_->setModel(treeModel_);
  treeView_->setHeaderHidden(true);
  treeView_->setIndentation(19);
  treeView_->setUniformRowHeights(true);
  hierarchyLayout->addWidget(treeView_);
  auto* treeButtons = new QGroupBox("Tree view", hierarchy);
  auto* treeButtonsLayout = new QHBoxLayout(treeButtons);
  auto* collapse = new QPushButton("Collapsed view", treeButtons);
  collapse->setObjectName("SpeedButton20");
  collapse->setToolTip("Collapsed view");
  auto* expand = new QPushButton("Expanded view", treeButtons);
  expand->setObjectName("SpeedButton21");
  expand->setToolTip("Expanded view");
  auto* picture = new QPushButton("Network picture", treeButtons);
  picture->setObjectName("bt_picture");
  picture->setToolTip("Draw the network of the function selected in the tree");
  OnSignal(picture, &QPushButton::clicked, [this] { workbench_->DrawNetworkPicture(); });
  OnSignal(collapse, &QPushButton::clicked, [this] { workbench_->CollapseTree(); });
  OnSignal(expand, &QPushButton::clicked, [this] { workbench_->ExpandTree(); });
  auto* treeButtonsGrid = new QGridLayout;
  treeButtonsGrid->addWidget(collapse, 0, 0);
  treeButtonsGrid->addWidget(expand, 0, 1);
  treeButtonsGrid->addWidget(picture, 1, 0, 1, 2);
  treeButtonsLayout->addLayout(treeButtonsGrid);
  treeButtonsLayout->addStretch(1);
  hierarchyLayout->addWidget(treeButtons);
  columns->addWidget(hierarchy, 1);

  auto* computation = new QGroupBox("Computation", page);
  auto* computationLayout = new QVBoxLayout(computation);
  auto* parametersOf = new QHBoxLayout;
  parametersOf->addWidget(new QLabel("Parameters of ", computation));
  functionName_ = new QLabel("no function.", computation);
  functionName_->setObjectName("lb_funcname");
  parametersOf->addWidget(functionName_, 1);
  computationLayout->addLayout(parametersOf);
  parameterGrid_ = new QTableWidget(6, 2, computation);
  parameterGrid_->setObjectName("ParameterGrid");
  parameterGrid_->horizontalHeader()->hide();
  parameterGrid_->verticalHeader()->hide();
  parameterGrid_->setColumnWidth(0, 64);
  // Room for a twelve-digit argument, with the margins the view keeps on
  // both sides of a cell's text and the grid line.
  const int textMargin =
      parameterGrid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, parameterGrid_) + 1;
  parameterGrid_->setColumnWidth(
      1, parameterGrid_->fontMetrics().horizontalAdvance(QString(12, '0')) + 2 * textMargin + 1);
  parameterGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  parameterGrid_->setTabKeyNavigation(true);
  // Tab from the last value leaves the grid for Compute.
  parameterGrid_->installEventFilter(this);
  computationLayout->addWidget(parameterGrid_, 1);
  auto* resultRow = new QHBoxLayout;
  resultRow->addWidget(new QLabel("Result", computation));
  result_ = new QLineEdit("0", computation);
  result_->setObjectName("ed_Result");
  result_->setReadOnly(true);
  resultRow->addWidget(result_, 1);
  computationLayout->addLayout(resultRow);
  resultKind_ = new QLabel(computation);
  resultKind_->setObjectName("lb_resultkind");
  computationLayout->addWidget(resultKind_);
  ShowResultKind(ResultKind::NotComputed);
  compute_ = new QPushButton("Co&mpute", computation);
  compute_->setObjectName("bt_comp");
  auto* check = new QPushButton("Chec&k result", computation);
  check_ = check;
  check->setObjectName("bt_check");
  check->setToolTip(kCheckResultTip);
  OnSignal(check, &QPushButton::clicked, [this] { workbench_->CheckResult(); });
  auto* computeRow = new QHBoxLayout;
  computeRow->addWidget(compute_);
  computeRow->addWidget(check);
  computationLayout->addLayout(computeRow);
  auto* mode = new QGroupBox("Execution mode", computation);
  auto* modeLayout = new QHBoxLayout(mode);
  auto* modeButtons = new QButtonGroup(mode);
  int modeNumber = 14;
  for (const char* name : {"Step-by-step", "Automatic"}) {
    auto* button = new QToolButton(mode);
    button->setObjectName(QString("SpeedButton%1").arg(modeNumber++));
    button->setText(name);
    button->setCheckable(true);
    button->setChecked(QString(name) == "Step-by-step");
    modeButtons->addButton(button);
    modeLayout->addWidget(button);
    (QString(name) == "Automatic" ? automatic_ : stepByStep_) = button;
  }
  computationLayout->addWidget(mode);
  // The grid's columns have their widths: a wider grid would only add blank.
  computation->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  columns->addWidget(computation);
  return page;
}

FunctionTreeNodes& TMainForm::ClearFunctionTree() {
  treeModel_->Clear();
  return *treeModel_;
}

void TMainForm::SetTreeExpanded(bool expanded) {
  if (expanded) {
    treeView_->expandAll();
  } else {
    treeView_->collapseAll();
  }
}

void TMainForm::ShowResultKind(ResultKind kind) {
  resultKind_->setText(kind == ResultKind::Finished ? "the result of the run"
                       : kind == ResultKind::AtLimit
                           ? "read out at the iteration limit: no result"
                           : "nothing computed yet");
}

void TMainForm::SetParameterNames(const std::vector<std::string>& names) {
  parameterGrid_->setRowCount(std::max<int>(1, static_cast<int>(names.size())));
  for (int row = 0; row < parameterGrid_->rowCount(); ++row) {
    const QString name = row < static_cast<int>(names.size()) ? Qs(names[row]) : QString();
    auto* item = new QTableWidgetItem(name);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);  // the names are the target's
    parameterGrid_->setItem(row, 0, item);
  }
}

void TMainForm::SetParameterValues(const std::vector<std::string>& values) {
  for (std::size_t row = 0; row < values.size() && static_cast<int>(row) < parameterGrid_->rowCount(); ++row)
    parameterGrid_->setItem(static_cast<int>(row), 1, new QTableWidgetItem(Qs(values[row])));
}

std::vector<std::string> TMainForm::ParameterValues() {
  std::vector<std::string> values;
  for (int row = 0; row < parameterGrid_->rowCount(); ++row) {
    const QTableWidgetItem* item = parameterGrid_->item(row, 1);
    values.push_back(item ? item->text().toStdString() : "");
  }
  return values;
}

void TMainForm::SetFunctionName(const std::string& name) { functionName_->setText(Qs(name)); }

void TMainForm::SetResult(const std::string& text) { result_->setText(Qs(text)); }

std::optional<TreeNodeHandle> TMainForm::SelectedTreeNode() {
  const QModelIndex current = treeView_->currentIndex();
  if (!current.isValid()) return std::nullopt;
  return static_cast<TreeNodeHandle>(current.internalId() - 1);
}

void TMainForm::ShowNetworkPicture(const std::string& title, const std::string& dot) {
  lastPicture_ = DrawDot(dot);
  if (scriptedOpenFile_) return;
  NetworkPictureDialog dialog(" Network of " + Qs(title), *lastPicture_, this);
  dialog.exec();
}

QImage TMainForm::LastPicture() const {
  return lastPicture_ ? SceneImage(*lastPicture_) : QImage();
}

}  // namespace vantorb
