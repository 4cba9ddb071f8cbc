#pragma once
// Network pictures. DrawDot lays a Graphviz DOT text out with the Graphviz
// library and draws the layout's drawing operations as items of a Qt scene,
// in points, so that a picture of a thousand neurons is ready in a fraction
// of a second and stays sharp at any zoom. NetworkPictureView shows such a
// scene: it opens fitted (the whole picture visible, never enlarged), zooms
// around the pointer with Ctrl+wheel and the + and - keys, pans by dragging,
// and keeps the fit while the window is resized until the user zooms.
// NetworkPictureDialog is the resizable window around the view, with Fit
// and Back.

#include <QDialog>
#include <QGraphicsView>
#include <QImage>

#include <memory>
#include <string>

class QGraphicsScene;

namespace vantorb {

// The picture of a DOT text. Throws NeuroException when Graphviz cannot read
// or lay out the text.
std::unique_ptr<QGraphicsScene> DrawDot(const std::string& dot);

// A scene as an image, a pixel a point, shrunk when its longer side would
// exceed kMostImageSide pixels.
constexpr int kMostImageSide = 8192;
QImage SceneImage(QGraphicsScene& scene);

// Zooming: each step multiplies or divides the scale by kZoomStep.
constexpr double kZoomStep = 1.25;
constexpr double kMostZoom = 8.0;
// The scale at which a picture fits a viewport whole, at most 1: a small
// picture keeps its natural size. 1 when either is empty.
double FitScale(const QSizeF& picture, const QSizeF& viewport);
// The scale `steps` zoom steps from `scale` (positive: in), kept between
// `fitted` (zooming out stops once the whole picture shows) and kMostZoom.
double ZoomedScale(double scale, int steps, double fitted);

class NetworkPictureView : public QGraphicsView {
  Q_OBJECT
 public:
  // Shows `picture`, which must outlive the view.
  NetworkPictureView(QGraphicsScene& picture, QWidget* parent);
  double Scale() const;
  double FittedScale() const;
  bool Fitted() const { return fitted_; }
  void Fit();
  // Zooms keeping the scene point under viewportPoint where it is (as far
  // as the scroll range lets it).
  void ZoomAround(const QPointF& viewportPoint, int steps);

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The pointer when it is over the picture, the middle of the view else.
  QPointF ZoomPoint() const;

  bool fitted_ = true;
  int wheelRest_ = 0;  // wheel turns smaller than one notch, kept for the next
};

class NetworkPictureDialog : public QDialog {
  Q_OBJECT
 public:
  // Sized to the picture, within most of the screen.
  NetworkPictureDialog(const QString& title, QGraphicsScene& picture, QWidget* parent);
  NetworkPictureView* View() const { return view_; }

 private:
  NetworkPictureView* view_;
};

}  // namespace vantorb
