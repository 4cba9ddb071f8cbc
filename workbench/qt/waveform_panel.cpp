#include "workbench/qt/waveform_panel.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vantorb {

WaveformPanel::WaveformPanel(const Simulator& simulator, QWidget* parent)
    : QAbstractScrollArea(parent), simulator_(simulator) {
  setObjectName("Waveforms");
  horizontalScrollBar()->setSingleStep(20);
  verticalScrollBar()->setSingleStep(kRowHeight);
}

TraceScroll WaveformPanel::Scroll() const {
  return ScrollFor(simulator_.Waves().LastIteration(), scale_, viewport()->width() - kNameWidth);
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
  verticalScrollBar()->setRange(
      0, static_cast<int>(std::clamp(height - viewport()->height(), 0.0, TraceScroll::kMaxRange)));
  verticalScrollBar()->setPageStep(viewport()->height());
}

void WaveformPanel::Refresh() {
  UpdateScrollBar();
  viewport()->update();
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
  const int trace =
      static_cast<int>((event->position().y() + verticalScrollBar()->value()) / kRowHeight);
  if (trace >= 0 && trace < static_cast<int>(simulator_.Waves().Traces().size()))
    emit TraceClicked(trace);
}

void WaveformPanel::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), Qt::white);
  const auto& traces = simulator_.Waves().Traces();
  const std::int64_t last = simulator_.Waves().LastIteration();
  const int left = kNameWidth;
  const double width = viewport()->width();
  const double offset = horizontalScrollBar()->value() * Scroll().pixelsPerStep;
  // Coordinates are doubles and kept near the view: a run of hundreds of
  // millions of iterations would pass any int, and the painter too.
  auto x = [&](std::int64_t iteration) {
    return std::clamp(left + static_cast<double>(iteration) * scale_ - offset, left - 8.0,
                      width + 8.0);
  };
  // The first iteration on view, for skipping the changes before it.
  const auto firstOnView = static_cast<std::int64_t>(std::floor(offset / scale_));
  const bool live = simulator_.TracesLive();
  const int top0 = -verticalScrollBar()->value();
  for (std::size_t t = 0; t < traces.size(); ++t) {
    const int top = top0 + static_cast<int>(t) * kRowHeight;
    if (top + kRowHeight < 0 || top > viewport()->height()) continue;
    const int low = top + kRowHeight - 6, high = top + 8;
    painter.setPen(QColor(225, 225, 225));
    painter.drawLine(left, top + kRowHeight - 1, viewport()->width(), top + kRowHeight - 1);
    painter.setClipRect(left, top, viewport()->width() - left, kRowHeight);
    const auto& changes = traces[t].changes;
    auto from = std::upper_bound(changes.begin(), changes.end(), firstOnView,
                                 [](std::int64_t i, const Waveforms::Change& c) {
                                   return i < c.iteration;
                                 });
    if (from != changes.begin()) --from;
    for (std::size_t c = static_cast<std::size_t>(from - changes.begin()); c < changes.size(); ++c) {
      const double x0 = x(changes[c].iteration);
      if (x0 > width) break;
      const double x1 = c + 1 < changes.size() ? x(changes[c + 1].iteration) : x(last + 1);
      if (x1 < left) continue;
      const int y = static_cast<int>(low - changes[c].value * (low - high));
      painter.setPen(QPen(QColor(20, 90, 200), 2));
      painter.drawLine(QPointF(x0, y), QPointF(x1, y));
      if (c + 1 < changes.size()) {
        const int next = static_cast<int>(low - changes[c + 1].value * (low - high));
        painter.drawLine(QPointF(x1, y), QPointF(x1, next));
      }
      // A code is labelled with its number where its stretch is on view.
      const double labelX = std::max<double>(x0, left) + 2;
      if (changes[c].decoded >= 0 && x1 - labelX > 12) {
        painter.setPen(QColor(160, 60, 0));
        painter.drawText(QPointF(labelX, y - 3), QString::number(changes[c].decoded));
      }
    }
    painter.setClipping(false);
    painter.fillRect(0, top, left - 2, kRowHeight, QColor(245, 245, 245));
    painter.setPen(live ? Qt::black : Qt::gray);
    painter.drawText(QRect(4, top, left - 8, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     painter.fontMetrics().elidedText(QString::fromStdString(traces[t].name),
                                                      Qt::ElideMiddle, left - 8));
  }
  if (traces.empty()) {
    painter.setPen(Qt::gray);
    painter.drawText(viewport()->rect(), Qt::AlignCenter,
                     "Choose neurons to inspect, then Compute: their traces appear here.");
  }
}

}  // namespace vantorb
