#pragma once
// WaveformPanel: the recorded neurons as traces over the iterations, one row
// each: start and done pulses as steps, unary values labelled with the
// number they code. The wheel zooms, the scroll bar moves; the view follows
// a running network to its latest iteration and keeps the traces after the
// run. A click on a trace shows its neuron's equation.

#include <QAbstractScrollArea>

#include "simulation/simulator.hpp"

namespace vantorb {

class WaveformPanel : public QAbstractScrollArea {
  Q_OBJECT
 public:
  WaveformPanel(const Simulator& simulator, QWidget* parent);
  // New iterations were recorded: follow them unless scrolled back.
  void Refresh();
  double PixelsPerIteration() const { return scale_; }

 signals:
  void TraceClicked(int trace);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  static constexpr int kRowHeight = 34;
  static constexpr int kNameWidth = 120;
  void UpdateScrollBar();
  TraceScroll Scroll() const;

  const Simulator& simulator_;
  double scale_ = 8;  // pixels per iteration
};

}  // namespace vantorb
