#pragma once
// ProgramEditor: the program text editor, with line numbers in a margin,
// the language's keywords, names, numbers and comments in colour, and a
// marked line for the place a compilation failed. It takes text only from
// the clipboard and from drops: Qt 6.4's text control crashes on mime data
// with no formats at all, which is what an unowned clipboard hands over, so
// anything without text is refused before the widget sees it.

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

namespace vantorb {

class ProgramHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

 protected:
  void highlightBlock(const QString& text) override;
};

class ProgramEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit ProgramEditor(QWidget* parent);
  // Marks line (from 1) and puts the cursor there; 0 takes the mark away.
  void MarkLine(int line);
  int MarkedLine() const { return markedLine_; }
  int LineNumberWidth() const;
  void PaintLineNumbers(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void UpdateMargin();
  void ShowMark();

  QWidget* lineNumbers_;
  int markedLine_ = 0;
};

}  // namespace vantorb
