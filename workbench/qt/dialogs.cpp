#include "workbench/qt/dialogs.hpp"

#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace vantorb {
namespace {

QPushButton* BackButton(QDialog* dialog) {
  auto* back = new QPushButton("Back", dialog);
  back->setObjectName("BitBtn1");
  QObject::connect(back, &QPushButton::clicked, dialog, &QDialog::accept);
  return back;
}

QLabel* Field(const QString& name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TCompilerForm::TCompilerForm(QWidget* parent) : QDialog(parent) {
  setObjectName("TCompilerForm");
  setWindowTitle(" Compiler Info");
  auto* form = new QFormLayout;
  form->addRow("File :", fn_ = Field("fn", this));
  form->addRow("Size in lines", size_ = Field("size", this));
  form->addRow("Target function", tf_ = Field("tf", this));
  form->addRow("Statements", decl_ = Field("decl", this));
  form->addRow("Size in neurons", sizen_ = Field("sizen", this));
  form->addRow("Size in synapses", sizes_ = Field("sizes", this));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(BackButton(this), 0, Qt::AlignRight);
  setFixedSize(297, 190);
  SetInfo(CompilerInfo{});
}

void TCompilerForm::SetInfo(const CompilerInfo& info) {
  fn_->setText(QString::fromStdString(info.fileName));
  size_->setText(QString::fromStdString(info.lines));
  tf_->setText(QString::fromStdString(info.targetName));
  decl_->setText(QString::fromStdString(info.statements));
  sizen_->setText(QString::fromStdString(info.neurons));
  sizes_->setText(QString::fromStdString(info.synapses));
}

TErrorForm::TErrorForm(QWidget* parent) : QDialog(parent) {
  setObjectName("TErrorForm");
  setWindowTitle(" Error!");
  auto* picture = new QLabel(this);
  picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
  auto* heading = new QLabel("kill( pid, SIG_BUG ) ?", this);
  heading->setObjectName("heading");
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  error_ = Field("Error", this);
  error_->setText("Error");
  error_->setWordWrap(true);
  error_->setFixedSize(360, 80);
  error_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addWidget(heading, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(error_);
  layout->addWidget(BackButton(this), 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TErrorForm::SetMessage(const QString& message) { error_->setText(message); }

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("TAboutBox");
  setWindowTitle(" About");
  auto* text = new QLabel(
      "<b>Vantorb</b> 0.1<br><br>"
      "Partial recursive functions compiled into networks of<br>"
      "saturated-linear neurons, computed in exact decimals.<br><br>"
      "<b>The language</b><br>"
      "<tt>W</tt> zero, <tt>Z</tt> zero of x, <tt>S</tt> successor, "
      "<tt>U(i,n)</tt> projection;<br>"
      "<tt>C(g1,..,gm,f)</tt> composition, <tt>R(f,g)</tt> recursion on the last "
      "argument,<br><tt>M(f)</tt> minimization;<br>"
      "<tt>#define name body</tt>, <tt>#target name</tt>, <tt>//</tt> comments.",
      this);
  text->setObjectName("aboutText");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(BackButton(this), 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void SetAnswerButtons(QMessageBox& box, Answers answers) {
  switch (answers) {
    case Answers::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Answers::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::No);
      break;
    case Answers::YesCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::Cancel); break;
    case Answers::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
}

}  // namespace vantorb
