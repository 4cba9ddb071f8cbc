#pragma once
// The three windows that live as long as the main window: compiler
// information, error and about. Each closes with "Back" or Escape. And the
// buttons of a message box.

#include <QDialog>

#include "workbench/workbench_view.hpp"

class QLabel;
class QMessageBox;

namespace vantorb {

class TCompilerForm : public QDialog {
  Q_OBJECT
 public:
  explicit TCompilerForm(QWidget* parent);
  void SetInfo(const CompilerInfo& info);

 private:
  QLabel *fn_, *size_, *tf_, *decl_, *sizen_, *sizes_;
};

class TErrorForm : public QDialog {
  Q_OBJECT
 public:
  explicit TErrorForm(QWidget* parent);
  void SetMessage(const QString& message);

 private:
  QLabel* error_;
};

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent);
};

// The buttons of a message box for that answer set; a Yes/No question
// defaults to No, so that Enter never does what was only asked.
void SetAnswerButtons(QMessageBox& box, Answers answers);

}  // namespace vantorb
