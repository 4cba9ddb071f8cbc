// The main window's Simulator tab: neuron inspection, the Animation group
// with its run controls and fields, the running indicator, the status
// window and the waveforms.

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
#include <QStatusBar>
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

QWidget* TMainForm::CreateSimulatorTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Banner("Neural network computer ", page));
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns, 1);

  auto* left = new QVBoxLayout;
  statusTabs_ = new QTabWidget(page);
  statusTabs_->setObjectName("StatusTabs");
  statusModel_ = new StatusModel(this);
  statusWindow_ = new QTableView(statusTabs_);
  statusWindow_->setObjectName("StatWin");
  statusWindow_->setModel(statusModel_);
  statusWindow_->verticalHeader()->hide();
  statusWindow_->verticalHeader()->setDefaultSectionSize(24);
  statusWindow_->horizontalHeader()->setSectionsMovable(true);
  statusWindow_->horizontalHeader()->setStretchLastSection(true);
  // The names' column leaves the values room for their short form at the
  // window's opening size; a longer name shows whole in its tool tip.
  statusWindow_->setColumnWidth(0, 100);
  statusWindow_->setItemDelegateForColumn(0, new NameTipDelegate(statusWindow_));
  statusWindow_->setSelectionBehavior(QAbstractItemView::SelectRows);
  statusWindow_->setSelectionMode(QAbstractItemView::SingleSelection);
  statusWindow_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // A long value shows only its ends; its whole text is one copy away.
  auto* copyValue = new QAction("Copy value", statusWindow_);
  copyValue_ = copyValue;
  copyValue->setObjectName("CopyValue");
  copyValue->setShortcut(QKeySequence::Copy);
  copyValue->setShortcutContext(Qt::WidgetShortcut);
  statusWindow_->addAction(copyValue);
  // The view would copy the text it shows, a long value's ends: Ctrl+C is
  // taken before it to copy the whole value.
  statusWindow_->installEventFilter(this);
  statusWindow_->setContextMenuPolicy(Qt::ActionsContextMenu);
  OnSignal(copyValue, &QAction::triggered, [this] {
    const QModelIndex current = statusWindow_->currentIndex();
    if (current.isValid()) workbench_->Sim().CopyValue(static_cast<std::size_t>(current.row()));
  });
  statusTabs_->addTab(statusWindow_, "Status window");
  // However small the window, the status window keeps room for a name and
  // the start of its value; the run's controls give way first.
  statusTabs_->setMinimumWidth(220);
  left->addWidget(statusTabs_, 3);
  left->addWidget(new QLabel("Equation", page));
  equation_ = new QPlainTextEdit(page);
  equation_->setObjectName("eq_memo");
  equation_->setReadOnly(true);
  equation_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  left->addWidget(equation_, 1);
  columns->addLayout(left, 1);

  auto* right = new QVBoxLayout;
  right->addWidget(CreateInspectionGroup(page));
  right->addWidget(CreateAnimationGroup(page));
  right->addStretch(1);
  right->setSpacing(0);
  columns->addLayout(right);
  return page;
}

QWidget* TMainForm::CreateInspectionGroup(QWidget* parent) {
  auto* group = new QGroupBox(" Neuron inspection ", parent);
  auto* grid = new QGridLayout(group);
  struct Choice {
    InspectChoice choice;
    const char* name;
    const char* text;
  };
  const Choice choices[] = {
      {InspectChoice::In, "SpeedButton4", "IN neurons"},
      {InspectChoice::Out, "SpeedButton8", "OUT neurons"},
      {InspectChoice::Data, "SpeedButton24", "Data neurons"},
      {InspectChoice::Result, "SpeedButton9", "Result neurons"},
      {InspectChoice::Hidden, "SpeedButton10", "Hidden neurons"},
      {InspectChoice::None, "bt_none", "&None"},
      {InspectChoice::Set, "SpeedButton17", "&Set"},
  };
  int position = 0;
  for (const auto& c : choices) {
    auto* button = new QToolButton(group);
    button->setObjectName(c.name);
    button->setText(c.text);
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    grid->addWidget(button, position / 2, position % 2);
    ++position;
    choices_.push_back({c.choice, button});
  }
  auto* modes = new QButtonGroup(group);
  inspectChanging_ = new QRadioButton("Inspect changing", group);
  inspectChanging_->setObjectName("SpeedButton13");
  inspectChanging_->setChecked(true);
  inspectAlways_ = new QRadioButton("Inspect always", group);
  inspectAlways_->setObjectName("bt_all");
  modes->addButton(inspectChanging_);
  modes->addButton(inspectAlways_);
  grid->addWidget(inspectChanging_, 4, 0);
  grid->addWidget(inspectAlways_, 4, 1);
  grid->addWidget(new QLabel("Token", group), 5, 0);
  token_ = new QLineEdit(group);
  token_->setObjectName("ed_itoken");
  grid->addWidget(token_, 5, 1);
  // Tight rows: the two groups beside the status window fit the window's
  // opening height.
  grid->setVerticalSpacing(3);
  return group;
}

QWidget* TMainForm::CreateAnimationGroup(QWidget* parent) {
  auto* group = new QGroupBox("Animation", parent);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(3);
  // A field with its spin buttons right beside it: the group stays narrow,
  // so that the status window keeps its share of a small window.
  auto spinField = [group](const char* name, const QString& text, const QString& tip,
                           QAbstractButton*& up, QAbstractButton*& down, QLineEdit*& field) {
    field = new QLineEdit(text, group);
    field->setObjectName(name);
    field->setToolTip(tip);
    // Room for ten digits: "2000000" and more show whole.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(10, '0')) + 12);
    up = new QToolButton(group);
    up->setText(QString::fromUtf8("\u25B4"));
    down = new QToolButton(group);
    down->setText(QString::fromUtf8("\u25BE"));
    auto* row = new QHBoxLayout;
    row->setSpacing(1);
    row->addWidget(field);
    row->addWidget(up);
    row->addWidget(down);
    return row;
  };
  grid->addWidget(new QLabel("Iteration", group), 0, 0);
  iteration_ = new QLineEdit("0", group);
  iteration_->setObjectName("eb_iter");
  iteration_->setReadOnly(true);
  grid->addWidget(iteration_, 0, 1);
  indicator_ = new QLabel(group);
  indicator_->setObjectName("Image1");
  indicator_->setFixedSize(28, 28);
  grid->addWidget(indicator_, 0, 2, Qt::AlignRight);
  grid->addWidget(new QLabel("Stop after", group), 1, 0);
  grid->addLayout(spinField("ed_sai", "1000", "The run stops after this many iterations; 0: no limit",
                            stopAfterUp_, stopAfterDown_, stopAfter_),
                  1, 1);
  grid->addWidget(new QLabel("iterations", group), 1, 2);
  grid->addWidget(new QLabel("Step size", group), 2, 0);
  grid->addLayout(spinField("ed_ss", "1", "Iterations a Step or a timer tick does; 0: a Step does nothing",
                            stepSizeUp_, stepSizeDown_, stepSize_),
                  2, 1);
  speed_ = new QSlider(Qt::Horizontal, group);
  speed_->setObjectName("TrackBar");
  speed_->setRange(0, 10);
  speed_->setValue(0);
  speed_->setTickPosition(QSlider::TicksBelow);
  speed_->setToolTip("Animation speed");
  // The slider between its two ends' names, on one row: the window keeps
  // room for its status bar at its opening height.
  grid->addWidget(new QLabel("Step-by-step", group), 3, 0);
  grid->addWidget(speed_, 3, 1);
  grid->addWidget(new QLabel("Automatic", group), 3, 2);
  // Alt+F and Alt+E belong to the File and Edit menus, Alt+N to None.
  finish_ = new QPushButton("F&inish", group);
  finish_->setObjectName("bt_finish");
  finish_->setCheckable(true);
  step_ = new QPushButton("S&tep", group);
  step_->setObjectName("BitBtn2");
  reset_ = new QPushButton("&Reset", group);
  reset_->setObjectName("BitBtn4");
  auto* buttons = new QHBoxLayout;
  // Set apart as the style sets push buttons apart: a nested layout takes
  // its grid's spacing, which is none once the rows are set tighter than
  // the columns.
  buttons->setSpacing(group->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, group));
  buttons->addWidget(finish_);
  buttons->addWidget(step_);
  buttons->addWidget(reset_);
  grid->addLayout(buttons, 4, 0, 1, 3);
  runTimer_ = new QTimer(this);
  runTimer_->setObjectName("Timer");
  indicatorTimer_ = new QTimer(this);
  indicatorTimer_->setObjectName("TimerCamera");
  indicatorTimer_->setInterval(500);
  return group;
}

void TMainForm::ConnectRunControls() {
  Simulator& sim = workbench_->Sim();
  statusModel_->Attach(&sim);
  waveforms_ = new WaveformPanel(sim, statusTabs_);
  statusTabs_->addTab(waveforms_, "Waveforms");
  connect(waveforms_, &WaveformPanel::TraceClicked, this, [this, &sim](int trace) {
    workbench_->RunCommand([&] { sim.SelectTrace(static_cast<std::size_t>(trace)); });
  });
  OnSignal(compute_, &QPushButton::clicked, [&sim] { sim.Compute(); });
  OnSignal(stepByStep_, &QAbstractButton::clicked, [&sim] { sim.StepByStepMode(); });
  OnSignal(automatic_, &QAbstractButton::clicked, [&sim] { sim.AutomaticMode(); });
  OnSignal(speed_, &QSlider::valueChanged, [&sim] { sim.SpeedChanged(); });
  OnTimer(runTimer_, [&sim] { sim.RunTimerTick(); });
  OnTimer(indicatorTimer_, [&sim] { sim.IndicatorTick(); });
  OnSignal(step_, &QPushButton::clicked, [&sim] { sim.Step(); });
  OnSignal(finish_, &QPushButton::clicked, [this, &sim] {
    sim.Finish();
    finish_->setChecked(sim.FinishPressed());  // a click while idle changes nothing
  });
  OnSignal(reset_, &QPushButton::clicked, [&sim] { sim.ResetRun(); });
  OnSignal(stopAfterUp_, &QAbstractButton::clicked, [&sim] { sim.SpinStopAfter(1); });
  OnSignal(stopAfterDown_, &QAbstractButton::clicked, [&sim] { sim.SpinStopAfter(-1); });
  OnSignal(stepSizeUp_, &QAbstractButton::clicked, [&sim] { sim.SpinStepSize(1); });
  OnSignal(stepSizeDown_, &QAbstractButton::clicked, [&sim] { sim.SpinStepSize(-1); });
  for (auto [choice, button] : choices_) {
    OnSignal(button, &QAbstractButton::clicked, [&sim, choice = choice] {
      switch (choice) {
        case InspectChoice::In: sim.InspectIn(); break;
        case InspectChoice::Out: sim.InspectOut(); break;
        case InspectChoice::Data: sim.InspectData(); break;
        case InspectChoice::Result: sim.InspectResults(); break;
        case InspectChoice::Hidden: sim.InspectHidden(); break;
        case InspectChoice::None: sim.InspectNone(); break;
        default: sim.InspectTypedToken(); break;
      }
    });
  }
  OnSignal(inspectChanging_, &QAbstractButton::clicked, [&sim] { sim.InspectChanging(); });
  OnSignal(inspectAlways_, &QAbstractButton::clicked, [&sim] { sim.InspectAlways(); });
  OnSignal(statusWindow_, &QTableView::clicked, [&sim] { sim.StatusWindowClick(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  OnSignal(escape, &QShortcut::activated, [&sim] { sim.Interrupt(); });
}

void TMainForm::SetIterationText(const std::string& text) { iteration_->setText(Qs(text)); }

std::string TMainForm::StepSizeText() { return stepSize_->text().toStdString(); }

void TMainForm::SetStepSizeText(const std::string& text) { stepSize_->setText(Qs(text)); }

std::string TMainForm::StopAfterText() { return stopAfter_->text().toStdString(); }

void TMainForm::SetStopAfterText(const std::string& text) { stopAfter_->setText(Qs(text)); }

int TMainForm::SliderPosition() { return speed_->value(); }

void TMainForm::SetSliderPosition(int position) {
  const QSignalBlocker quiet(speed_);
  speed_->setValue(position);
  speed_->repaint();
}

void TMainForm::SetComputePressed(bool pressed) {
  compute_->setCheckable(pressed);
  compute_->setChecked(pressed);
}

void TMainForm::SetFinishPressed(bool pressed) {
  finish_->setChecked(pressed);
  finish_->repaint();
}

void TMainForm::SetRunTimer(int intervalMs, bool enabled) {
  runTimer_->setInterval(intervalMs);
  if (enabled && intervalMs > 0) {
    if (!runTimer_->isActive()) runTimer_->start();
  } else {
    runTimer_->stop();
  }
}

void TMainForm::SetIndicatorTimer(bool enabled) {
  // Asked again at the end of every tick: a restart would put its next
  // turn off for ever while ticks come faster than it turns.
  if (enabled) {
    if (!indicatorTimer_->isActive()) indicatorTimer_->start();
  } else {
    indicatorTimer_->stop();
  }
}

// The running indicator: a wheel whose bright spoke turns a step per frame.
void TMainForm::ShowIndicatorFrame(int frame) {
  QPixmap picture(28, 28);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(14, 14);
  for (int spoke = 0; spoke < Simulator::kIndicatorFrames; ++spoke) {
    painter.setPen(QPen(spoke == frame ? QColor(20, 90, 200) : QColor(190, 190, 190), 3,
                        Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(0, -5, 0, -11);
    painter.rotate(360.0 / Simulator::kIndicatorFrames);
  }
  painter.end();
  indicator_->setPixmap(picture);  // painted with the rest of the frame
}

void TMainForm::ClearIndicator() { indicator_->clear(); }

void TMainForm::ProcessEvents() { QApplication::processEvents(); }

void TMainForm::StatusWindowChanged() { statusModel_->Refresh(); }

int TMainForm::SelectedStatusRow() {
  const QModelIndex current = statusWindow_->currentIndex();
  return current.isValid() ? current.row() + 1 : 0;
}

void TMainForm::SetEquationText(const std::string& text) { equation_->setPlainText(Qs(text)); }

std::string TMainForm::TokenFieldText() { return token_->text().toStdString(); }

void TMainForm::SetTokenFieldText(const std::string& text) { token_->setText(Qs(text)); }

void TMainForm::ShowInspectChoice(InspectChoice choice) {
  for (auto [which, button] : choices_) button->setChecked(which == choice);
}

void TMainForm::ShowStatusMessage(const std::string& text) {
  if (text.empty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(Qs(text));
  }
}

void TMainForm::CopyToClipboard(const std::string& text) {
  QGuiApplication::clipboard()->setText(Qs(text));
}

void TMainForm::WaveformsChanged() {
  if (waveforms_ != nullptr) waveforms_->Refresh();
}

}  // namespace vantorb
