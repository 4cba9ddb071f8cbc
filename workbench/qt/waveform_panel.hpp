#pragma once
// WaveformPanel: the recorded neurons as traces over the iterations, one row
// each under an iteration axis with labelled ticks: start and done pulses as
// steps, unary values labelled with the number they code. The wheel zooms,
// the scroll bar moves; the view follows a running network to its latest
// iteration and keeps the traces after the run. A click on a trace
// highlights it and shows its neuron's equation; the pointer over a trace
// tells, in a tool tip, its value at the iteration under the pointer.

#include <QAbstractScrollArea>

#include <cstdint>
#include <optional>
#include <string>

#include "simulation/simulator.hpp"

namespace vantorb {

class WaveformPanel : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr int kAxisHeight = 22;
  static constexpr int kRowHeight = 34;
  static constexpr int kNameWidth = 120;

  WaveformPanel(const Simulator& simulator, QWidget* parent);
  // New iterations were recorded: follow them unless scrolled back.
  void Refresh();
  double PixelsPerIteration() const { return scale_; }
  // The trace last clicked, while the traces on view are the ones it was
  // clicked in.
  std::optional<int> SelectedTrace() const;
  // The tool tip's text at a point of the viewport: the trace's reading at
  // the iteration under it, its full name over the name column, empty
  // elsewhere.
  QString ReadingAt(QPoint point) const;

 signals:
  void TraceClicked(int trace);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void UpdateScrollBar();
  TraceScroll Scroll() const;
  // The pixels scrolled off to the left of the first iteration.
  double Offset() const;
  // The trace whose row holds that height of the viewport, if any.
  std::optional<int> TraceAt(int y) const;
  void PaintAxis(QPainter& painter, std::int64_t first, std::int64_t step);

  const Simulator& simulator_;
  static constexpr double kStartScale = 8;
  double scale_ = kStartScale;  // pixels per iteration
  std::uint64_t recording_ = 0;  // the waveforms' recording shown
  // The clicked trace, known by its name too: a new run may list others.
  int selected_ = -1;
  std::string selectedName_;
};

}  // namespace vantorb
