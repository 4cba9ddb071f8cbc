#include "workbench/qt/program_editor.hpp"

#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QTextBlock>

namespace vantorb {
namespace {

class LineNumberArea : public QWidget {
 public:
  explicit LineNumberArea(ProgramEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->LineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintLineNumbers(event); }

 private:
  ProgramEditor* editor_;
};

QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false) {
  QTextCharFormat format;
  format.setForeground(colour);
  if (bold) format.setFontWeight(QFont::Bold);
  format.setFontItalic(italic);
  return format;
}

}  // namespace

// The scanner's own rules: "#define" and "#target"; the letters W Z S U C R M
// standing alone; numbers; names (a letter, then anything but blanks and
// "( ) ,"); "//" to the end of the line.
void ProgramHighlighter::highlightBlock(const QString& text) {
  static const QRegularExpression token(
      R"((#define|#target)|(//.*$)|([0-9]+)|([A-Za-z\[\\\]^_`][^\s(),]*))");
  static const QTextCharFormat directive = Format(QColor(128, 0, 128), true);
  static const QTextCharFormat comment = Format(QColor(0, 128, 0), false, true);
  static const QTextCharFormat number = Format(QColor(0, 90, 160));
  static const QTextCharFormat keyword = Format(QColor(160, 60, 0), true);
  static const QTextCharFormat name = Format(QColor(20, 20, 20));
  for (auto it = token.globalMatch(text); it.hasNext();) {
    const auto match = it.next();
    if (match.capturedLength(1)) {
      setFormat(match.capturedStart(1), match.capturedLength(1), directive);
    } else if (match.capturedLength(2)) {
      setFormat(match.capturedStart(2), match.capturedLength(2), comment);
      return;
    } else if (match.capturedLength(3)) {
      setFormat(match.capturedStart(3), match.capturedLength(3), number);
    } else {
      const QString word = match.captured(4);
      const bool isKeyword = word.size() == 1 && QString("WZSUCRM").contains(word);
      setFormat(match.capturedStart(4), word.size(), isKeyword ? keyword : name);
    }
  }
}

ProgramEditor::ProgramEditor(QWidget* parent)
    : QPlainTextEdit(parent), lineNumbers_(new LineNumberArea(this)) {
  new ProgramHighlighter(document());
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      lineNumbers_->scroll(0, dy);
    } else {
      lineNumbers_->update(0, rect.y(), lineNumbers_->width(), rect.height());
    }
  });
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (markedLine_ != 0) MarkLine(0);  // the text the mark was for is gone
  });
  UpdateMargin();
}

int ProgramEditor::LineNumberWidth() const {
  int digits = 1;
  for (int lines = std::max(1, blockCount()); lines >= 10; lines /= 10) ++digits;
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void ProgramEditor::UpdateMargin() { setViewportMargins(LineNumberWidth(), 0, 0, 0); }

void ProgramEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect area = contentsRect();
  lineNumbers_->setGeometry(area.left(), area.top(), LineNumberWidth(), area.height());
}

bool ProgramEditor::canInsertFromMimeData(const QMimeData* source) const {
  return source != nullptr && source->hasText() && QPlainTextEdit::canInsertFromMimeData(source);
}

// Paste reaches here without asking canInsertFromMimeData first.
void ProgramEditor::insertFromMimeData(const QMimeData* source) {
  if (canInsertFromMimeData(source)) QPlainTextEdit::insertFromMimeData(source);
}

void ProgramEditor::PaintLineNumbers(QPaintEvent* event) {
  QPainter painter(lineNumbers_);
  painter.fillRect(event->rect(), QColor(240, 240, 240));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  while (block.isValid() && top <= event->rect().bottom()) {
    const int bottom = top + qRound(blockBoundingRect(block).height());
    if (block.isVisible() && bottom >= event->rect().top()) {
      const int line = block.blockNumber() + 1;
      painter.setPen(line == markedLine_ ? QColor(200, 0, 0) : QColor(130, 130, 130));
      painter.drawText(0, top, lineNumbers_->width() - 4, fontMetrics().height(),
                       Qt::AlignRight, QString::number(line));
    }
    block = block.next();
    top = bottom;
  }
}

void ProgramEditor::MarkLine(int line) {
  markedLine_ = line;
  ShowMark();
  lineNumbers_->update();
}

void ProgramEditor::ShowMark() {
  QList<QTextEdit::ExtraSelection> marks;
  const QTextBlock block = document()->findBlockByNumber(markedLine_ - 1);
  if (markedLine_ > 0 && block.isValid()) {
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(QColor(255, 215, 215));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    mark.cursor = QTextCursor(block);
    marks.append(mark);
    const QSignalBlocker quiet(this);
    setTextCursor(QTextCursor(block));
    centerCursor();
  }
  setExtraSelections(marks);
}

}  // namespace vantorb
