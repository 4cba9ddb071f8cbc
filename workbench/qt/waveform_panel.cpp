#include "workbench/qt/waveform_panel.hpp"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

#include "workbench/waveform_axis.hpp"

namespace vantorb {
namespace {

const QColor kTraceColour(20, 90, 200);
const QColor kSelectedTraceColour(200, 70, 0);
const QColor kSelectedRow(255, 246, 214);
const QColor kSelectedName(255, 222, 140);
const QColor kNameColumn(245, 245, 245);
const QColor kGrid(236, 236, 236);
const QColor kLeapt(150, 150, 150);

}  // namespace

WaveformPanel::WaveformPanel(const Simulator& simulator, QWidget* parent)
    : QAbstractScrollArea(parent), simulator_(simulator) {
  setObjectName("Waveforms");
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(kRowHeight);
}

TraceScroll WaveformPanel::Scroll() const {
  return ScrollFor(simulator_.Waves().LastIteration(), scale_, viewport()->width() - kNameWidth);
}

double WaveformPanel::Offset() const {
  return horizontalScrollBar()->value() * Scroll().pixelsPerStep;
}

void WaveformPanel::UpdateScrollBar() {
  const auto& waves = simulator_.Waves();
  QScrollBar* bar = horizontalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum() - 2;
  const TraceScroll scroll = Scroll();
  bar->setRange(0, scroll.range);
  bar->setPageStep(std::max(1, static_cast<int>(viewport()->width() / scroll.pixelsPerStep)));
  if (atEnd) bar->setValue(bar->maximum());
  const double height = static_cast<double>(waves.Traces().size()) * kRowHeight;
  const int rowsHeight = std::max(0, viewport()->height() - kAxisHeight);
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp(height - rowsHeight, 0.0, TraceScroll::kMaxRange)));
  verticalScrollBar()->setPageStep(rowsHeight);
}

void WaveformPanel::Refresh() {
  // A new run's traces start at the first zoom; those of a network that
  // went keep none highlighted.
  if (simulator_.Waves().Recording() != recording_) {
    recording_ = simulator_.Waves().Recording();
    scale_ = kStartScale;
    selected_ = -1;
  }
  if (!simulator_.TracesLive()) selected_ = -1;
  UpdateScrollBar();
  viewport()->update();
}

std::optional<int> WaveformPanel::SelectedTrace() const {
  const auto& traces = simulator_.Waves().Traces();
  if (selected_ < 0 || selected_ >= static_cast<int>(traces.size()) ||
      traces[static_cast<std::size_t>(selected_)].name != selectedName_)
    return std::nullopt;
  return selected_;
}

std::optional<int> WaveformPanel::TraceAt(int y) const {
  if (y < kAxisHeight) return std::nullopt;
  const int trace = (y - kAxisHeight + verticalScrollBar()->value()) / kRowHeight;
  if (trace >= static_cast<int>(simulator_.Waves().Traces().size())) return std::nullopt;
  return trace;
}

void WaveformPanel::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBar();
}

void WaveformPanel::wheelEvent(QWheelEvent* event) {
  scale_ = std::clamp(scale_ * (event->angleDelta().y() > 0 ? 1.25 : 0.8), 0.01, 80.0);
  Refresh();
}

void WaveformPanel::mousePressEvent(QMouseEvent* event) {
  const auto trace = TraceAt(static_cast<int>(event->position().y()));
  if (!trace) return;
  selected_ = *trace;
  selectedName_ = simulator_.Waves().Traces()[static_cast<std::size_t>(*trace)].name;
  viewport()->update();
  emit TraceClicked(*trace);
}

QString WaveformPanel::ReadingAt(QPoint point) const {
  const auto trace = TraceAt(point.y());
  if (!trace) return {};
  const Waveforms& waves = simulator_.Waves();
  const Waveforms::Trace& shown = waves.Traces()[static_cast<std::size_t>(*trace)];
  if (point.x() < kNameWidth) return QString::fromStdString(shown.name);
  const double at = std::floor((point.x() - kNameWidth + Offset()) / scale_);
  if (at < 0 || at > static_cast<double>(waves.LastIteration())) return {};
  return QString::fromStdString(
      TraceReading(simulator_.Waves(), shown, static_cast<std::int64_t>(at)));
}

bool WaveformPanel::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const QString text = ReadingAt(help->pos());
  if (text.isEmpty()) {
    QToolTip::hideText();
    return true;
  }
  // The tip stays while the pointer is over the same iteration of the same
  // trace, and gives way to the next reading as soon as it leaves.
  const int top = help->pos().y() - (help->pos().y() - kAxisHeight +
                                     verticalScrollBar()->value()) % kRowHeight;
  QRect cell(0, top, kNameWidth, kRowHeight);
  if (help->pos().x() >= kNameWidth) {
    const double offset = Offset();
    const double at = std::floor((help->pos().x() - kNameWidth + offset) / scale_);
    const double x0 = std::max<double>(kNameWidth, kNameWidth + at * scale_ - offset);
    const double x1 = std::min<double>(viewport()->width(), kNameWidth + (at + 1) * scale_ - offset);
    const int left = static_cast<int>(std::floor(x0));
    cell = QRect(left, top, std::max(1, static_cast<int>(std::ceil(x1)) - left), kRowHeight);
  }
  QToolTip::showText(help->globalPos(), text, viewport(), cell);
  return true;
}

void WaveformPanel::PaintAxis(QPainter& painter, std::int64_t first, std::int64_t step) {
  const int width = viewport()->width();
  painter.fillRect(0, 0, width, kAxisHeight, QColor(240, 240, 240));
  painter.setPen(QColor(190, 190, 190));
  painter.drawLine(0, kAxisHeight - 1, width, kAxisHeight - 1);
  painter.setClipRect(kNameWidth, 0, width - kNameWidth, kAxisHeight);
  painter.setPen(Qt::darkGray);
  const double offset = Offset();
  for (std::int64_t tick = first;; tick += step) {
    const double x = kNameWidth + static_cast<double>(tick) * scale_ - offset;
    if (x > width) break;
    painter.drawLine(QPointF(x, kAxisHeight - 6), QPointF(x, kAxisHeight - 1));
    painter.drawText(QPointF(x + 3, kAxisHeight - 7), QString::number(tick));
    if (tick > std::numeric_limits<std::int64_t>::max() - step) break;
  }
  painter.setClipping(false);
}

void WaveformPanel::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), Qt::white);
  const auto& traces = simulator_.Waves().Traces();
  const std::int64_t last = simulator_.Waves().LastIteration();
  const int left = kNameWidth;
  const double width = viewport()->width();
  const double offset = Offset();
  // Coordinates are doubles and kept near the view: a run of hundreds of
  // millions of iterations would pass any int, and the painter too.
  auto x = [&](std::int64_t iteration) {
    return std::clamp(left + static_cast<double>(iteration) * scale_ - offset, left - 8.0,
                      width + 8.0);
  };
  // The iterations on view, for skipping the changes before them and
  // placing the ticks.
  const auto firstOnView = static_cast<std::int64_t>(std::floor(offset / scale_));
  const auto lastOnView =
      static_cast<std::int64_t>(std::floor((offset + width - left) / scale_));
  // Ticks far enough apart for the widest label on view.
  const double labelWidth =
      painter.fontMetrics().horizontalAdvance(QString::number(std::max<std::int64_t>(lastOnView, 0)));
  const std::int64_t step = TickStep(scale_, labelWidth + 16);
  std::int64_t firstTick = firstOnView / step * step;
  if (firstTick < firstOnView) firstTick += step;
  painter.setPen(kGrid);
  for (std::int64_t tick = firstTick; tick <= lastOnView; tick += step) {
    painter.drawLine(QPointF(x(tick), kAxisHeight), QPointF(x(tick), viewport()->height()));
    if (tick > std::numeric_limits<std::int64_t>::max() - step) break;
  }

  // The spans leapt over, where only the ends of the values are known:
  // hatched across every trace.
  const auto& leaps = simulator_.Waves().Leaps();
  const auto firstLeap = std::upper_bound(
      leaps.begin(), leaps.end(), firstOnView,
      [](std::int64_t i, const Waveforms::LeapSpan& s) { return i < s.to; });
  for (auto leap = firstLeap; leap != leaps.end(); ++leap) {
    const double x0 = x(leap->from + 1), x1 = x(leap->to);
    if (x0 > width) break;
    painter.fillRect(QRectF(x0, kAxisHeight, std::max(1.0, x1 - x0), viewport()->height()),
                     QBrush(kLeapt, Qt::BDiagPattern));
  }

  const std::optional<int> selected = SelectedTrace();
  const bool live = simulator_.TracesLive();
  const int top0 = kAxisHeight - verticalScrollBar()->value();
  for (std::size_t t = 0; t < traces.size(); ++t) {
    const int top = top0 + static_cast<int>(t) * kRowHeight;
    if (top + kRowHeight < kAxisHeight || top > viewport()->height()) continue;
    const bool highlighted = selected && *selected == static_cast<int>(t);
    const int low = top + kRowHeight - 6, high = top + 8;
    if (highlighted) painter.fillRect(left, top, viewport()->width() - left, kRowHeight, kSelectedRow);
    painter.setPen(QColor(225, 225, 225));
    painter.drawLine(left, top + kRowHeight - 1, viewport()->width(), top + kRowHeight - 1);
    painter.setClipRect(left, top, viewport()->width() - left, kRowHeight);
    const QPen tracePen(highlighted ? kSelectedTraceColour : kTraceColour, highlighted ? 3 : 2);
    const auto& changes = traces[t].changes;
    for (std::size_t c = ChangeAt(changes, firstOnView).value_or(0); c < changes.size(); ++c) {
      const double x0 = x(changes[c].iteration);
      if (x0 > width) break;
      const double x1 = c + 1 < changes.size() ? x(changes[c + 1].iteration) : x(last + 1);
      if (x1 < left) continue;
      const int y = static_cast<int>(low - changes[c].value * (low - high));
      painter.setPen(tracePen);
      painter.drawLine(QPointF(x0, y), QPointF(x1, y));
      if (c + 1 < changes.size()) {
        const int next = static_cast<int>(low - changes[c + 1].value * (low - high));
        painter.drawLine(QPointF(x1, y), QPointF(x1, next));
      }
      if (changes[c].decoded >= 0) {
        const QString label = QString::number(changes[c].decoded);
        if (const auto labelX = CodeLabelStart(x0, x1, left, painter.fontMetrics().horizontalAdvance(label))) {
          painter.setPen(QColor(160, 60, 0));
          painter.drawText(QPointF(*labelX, y - 3), label);
        }
      }
    }
    painter.setClipping(false);
    painter.fillRect(0, top, left - 2, kRowHeight, highlighted ? kSelectedName : kNameColumn);
    painter.setPen(live ? Qt::black : Qt::gray);
    QFont font = painter.font();
    font.setBold(highlighted);
    painter.setFont(font);
    painter.drawText(QRect(4, top, left - 8, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(QString::fromStdString(traces[t].name),
                                                      Qt::ElideMiddle, left - 8));
    font.setBold(false);
    painter.setFont(font);
  }
  // Over the rows: they scroll beneath it.
  PaintAxis(painter, firstTick, step);
  if (traces.empty()) {
    // Wrapped within margins: the view is narrower than the line at the
    // window's opening size.
    constexpr int kHintMargin = 12;
    painter.setPen(Qt::gray);
    painter.drawText(viewport()->rect().adjusted(kHintMargin, kAxisHeight + kHintMargin,
                                                 -kHintMargin, -kHintMargin),
                     Qt::AlignCenter | Qt::TextWordWrap,
                     "Choose neurons to inspect, then Compute: their traces appear here.");
  }
}

}  // namespace vantorb
