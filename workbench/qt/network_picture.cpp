#include "workbench/qt/network_picture.hpp"

#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionGraphicsItem>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <graphviz/gvc.h>
#include <graphviz/xdot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

// Graphviz's default effort takes several seconds for a thousand neurons.
// Above kQuickLayoutNodes nodes the layout stops its placement and crossing
// searches early, above kStraightEdgeNodes it also routes edges as
// polylines: a picture of the most neurons drawn then takes under a second,
// at the price of more crossings and bends.
constexpr int kQuickLayoutNodes = 300;
constexpr int kStraightEdgeNodes = 800;

// A label too small to read is not drawn: at the fitted scale of a large
// network it would show nothing and slow every repaint.
class Label : public QGraphicsSimpleTextItem {
 public:
  using QGraphicsSimpleTextItem::QGraphicsSimpleTextItem;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option,
             QWidget* widget) override {
    const double detail =
        QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
    if (font().pixelSize() * detail < 3) return;
    QGraphicsSimpleTextItem::paint(painter, option, widget);
  }
};

// Graphviz writes colours as names or "#rrggbb[aa]"; Qt reads "#aarrggbb".
QColor GraphvizColor(const char* text) {
  QString name = QString::fromUtf8(text);
  if (name.startsWith('#') && name.size() == 9) name = '#' + name.mid(7, 2) + name.mid(1, 6);
  const QColor color = QColor::fromString(name);
  return color.isValid() ? color : QColor(Qt::black);
}

// Graphviz lays out in points; the scene is in pixels of a 96 dpi screen,
// the size Graphviz's own bitmaps have.
constexpr double kPixelsPerPoint = 96.0 / 72.0;

// Turns the drawing operations Graphviz attaches to each laid out object
// ("_draw_" and its kin, in xdot form) into scene items. Graphviz's y axis
// points up from the bottom of the bounding box; the scene's points down.
class SceneDrawer {
 public:
  SceneDrawer(QGraphicsScene& scene, double top) : scene_(scene), top_(top) {}

  void Draw(void* object, const char* attribute, double z) {
    char* text = agget(object, const_cast<char*>(attribute));
    if (text == nullptr || *text == '\0') return;
    xdot* ops = parseXDot(text);
    if (ops == nullptr) return;
    pen_ = QPen(Qt::black);
    pen_.setCosmetic(true);
    fill_ = Qt::black;
    font_ = QFont();
    invisible_ = false;
    for (int i = 0; i < ops->cnt; ++i) Draw(ops->ops[i], z);
    freeXDot(ops);
  }

 private:
  QPointF At(double x, double y) const {
    return {x * kPixelsPerPoint, (top_ - y) * kPixelsPerPoint};
  }
  QPointF At(const xdot_point& p) const { return At(p.x, p.y); }
  QPolygonF Points(const xdot_polyline& line) const {
    QPolygonF points;
    for (int i = 0; i < line.cnt; ++i) points << At(line.pts[i]);
    return points;
  }

  void Draw(const xdot_op& op, double z) {
    QAbstractGraphicsShapeItem* shape = nullptr;
    const bool filled = op.kind == xd_filled_ellipse || op.kind == xd_filled_polygon ||
                        op.kind == xd_filled_bezier;
    switch (op.kind) {
      case xd_filled_ellipse:
      case xd_unfilled_ellipse: {
        const xdot_rect& r = op.u.ellipse;
        shape = scene_.addEllipse(QRectF(At(r.x - r.w, r.y + r.h), At(r.x + r.w, r.y - r.h)));
        break;
      }
      case xd_filled_polygon:
      case xd_unfilled_polygon:
        shape = scene_.addPolygon(Points(op.u.polygon));
        break;
      case xd_filled_bezier:
      case xd_unfilled_bezier:
      case xd_polyline: {
        const QPolygonF points = Points(op.kind == xd_polyline ? op.u.polyline : op.u.bezier);
        if (points.isEmpty()) break;
        QPainterPath path(points.front());
        if (op.kind == xd_polyline) {
          for (qsizetype i = 1; i < points.size(); ++i) path.lineTo(points[i]);
        } else {
          for (qsizetype i = 1; i + 2 < points.size(); i += 3)
            path.cubicTo(points[i], points[i + 1], points[i + 2]);
        }
        shape = scene_.addPath(path);
        break;
      }
      case xd_text:
        AddText(op.u.text, z);
        break;
      case xd_pen_color:
        pen_.setColor(GraphvizColor(op.u.color));
        break;
      case xd_fill_color:
        fill_ = GraphvizColor(op.u.color);
        break;
      case xd_font:
        font_ = QFont(QString::fromUtf8(op.u.font.name));
        if (font_.family().startsWith("Times")) font_.setStyleHint(QFont::Serif);
        font_.setPixelSize(
            std::max(1, static_cast<int>(std::lround(op.u.font.size * kPixelsPerPoint))));
        break;
      case xd_style:
        SetStyle(op.u.style);
        break;
      default:  // images, gradients and single characters: not in network pictures
        break;
    }
    if (shape == nullptr) return;
    shape->setPen(pen_);
    shape->setBrush(filled ? QBrush(fill_) : QBrush());
    shape->setZValue(z);
    shape->setVisible(!invisible_);
  }

  void AddText(const xdot_text& text, double z) {
    if (invisible_) return;
    auto* label = new Label(QString::fromUtf8(text.text));
    label->setFont(font_);
    label->setBrush(pen_.color());
    const QFontMetricsF metrics(font_);
    const double width = metrics.horizontalAdvance(label->text());
    const QPointF base = At(text.x, text.y);
    const double left = text.align == xd_left     ? base.x()
                        : text.align == xd_right ? base.x() - width
                                                 : base.x() - width / 2;
    label->setPos(left, base.y() - metrics.ascent());
    label->setZValue(z);
    scene_.addItem(label);
  }

  // Comma-separated: solid, dashed, dotted, bold, invis, setlinewidth(w).
  void SetStyle(const char* style) {
    for (const QString& part : QString::fromUtf8(style).split(',', Qt::SkipEmptyParts)) {
      const QString word = part.trimmed();
      double width = 0;
      if (word == "solid") pen_.setStyle(Qt::SolidLine);
      else if (word == "dashed") pen_.setStyle(Qt::DashLine);
      else if (word == "dotted") pen_.setStyle(Qt::DotLine);
      else if (word == "bold") pen_.setWidthF(2);
      else if (word == "invis" || word == "invisible") invisible_ = true;
      else if (std::sscanf(word.toLatin1().constData(), "setlinewidth(%lf)", &width) == 1)
        pen_.setWidthF(width);
    }
  }

  QGraphicsScene& scene_;
  double top_;
  QPen pen_;
  QColor fill_;
  QFont font_;
  bool invisible_ = false;
};

// Clusters under the edges, edges under the nodes; a nested cluster above
// the one holding it.
constexpr double kClusterZ = 0, kEdgeZ = 100, kNodeZ = 101;

void DrawClusters(SceneDrawer& drawer, Agraph_t* graph, double z) {
  for (Agraph_t* sub = agfstsubg(graph); sub != nullptr; sub = agnxtsubg(sub)) {
    drawer.Draw(sub, "_draw_", z);
    drawer.Draw(sub, "_ldraw_", z);
    DrawClusters(drawer, sub, std::min(z + 1, kEdgeZ - 1));
  }
}

// Graphviz reports errors through a handler, printing them otherwise: the
// window shows them with the failure they explain.
std::string& GraphvizErrors() {
  static std::string errors;
  return errors;
}

int KeepGraphvizError(char* message) {
  GraphvizErrors() += message;
  return 0;
}

[[noreturn]] void Fail(const std::string& what) {
  const QString said = QString::fromStdString(GraphvizErrors()).simplified();
  // Appended piece by piece: GCC 12 at -O2 warns falsely (-Wrestrict) on a
  // literal added to a temporary string.
  std::string message = what;
  if (!said.isEmpty()) {
    message += ' ';
    message += said.toStdString();
  }
  throw NeuroException(message);
}

// Owns a graph read from text, and its layout once made.
class Graph {
 public:
  Graph(GVC_t* context, const std::string& dot) : context_(context), graph_(agmemread(dot.c_str())) {
    if (graph_ == nullptr) Fail("The network picture could not be read.");
  }
  ~Graph() {
    if (laidOut_) gvFreeLayout(context_, graph_);
    agclose(graph_);
  }
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;

  Agraph_t* Get() const { return graph_; }
  void Lay() {
    const int nodes = agnnodes(graph_);
    if (nodes > kQuickLayoutNodes) {
      Set("nslimit", "0.05");
      Set("mclimit", "0.01");
      Set("searchsize", "5");
    }
    if (nodes > kStraightEdgeNodes) Set("splines", "polyline");
    laidOut_ = gvLayout(context_, graph_, "dot") == 0;
    if (!laidOut_) Fail("The network picture could not be laid out.");
    // Rendering as xdot attaches each object's drawing operations to it.
    char* data = nullptr;
    unsigned int length = 0;
    const int rendered = gvRenderData(context_, graph_, "xdot", &data, &length);
    gvFreeRenderData(data);
    if (rendered != 0) Fail("The network picture could not be laid out.");
  }

 private:
  void Set(const char* name, const char* value) {
    agsafeset(graph_, const_cast<char*>(name), const_cast<char*>(value), const_cast<char*>(""));
  }

  GVC_t* context_;
  Agraph_t* graph_;
  bool laidOut_ = false;
};

}  // namespace

std::unique_ptr<QGraphicsScene> DrawDot(const std::string& dot) {
  // Graphviz's text plugin keeps font data beyond one context: a context
  // freed and made anew leaves it reading freed memory. One context serves
  // the program's whole life.
  static GVC_t* const context = gvContext();
  [[maybe_unused]] static const bool errorsKept = [] {
    agseterrf(KeepGraphvizError);
    agseterr(AGERR);  // warnings are not worth a word
    return true;
  }();
  GraphvizErrors().clear();
  Graph graph(context, dot);
  graph.Lay();
  double left = 0, bottom = 0, right = 0, top = 0;
  const char* box = agget(graph.Get(), const_cast<char*>("bb"));
  if (box == nullptr || std::sscanf(box, "%lf,%lf,%lf,%lf", &left, &bottom, &right, &top) != 4)
    Fail("The network picture could not be laid out.");
  auto scene = std::make_unique<QGraphicsScene>();
  scene->setBackgroundBrush(Qt::white);
  SceneDrawer drawer(*scene, top);
  drawer.Draw(graph.Get(), "_draw_", kClusterZ);
  drawer.Draw(graph.Get(), "_ldraw_", kClusterZ);
  DrawClusters(drawer, graph.Get(), kClusterZ + 1);
  for (Agnode_t* node = agfstnode(graph.Get()); node != nullptr; node = agnxtnode(graph.Get(), node)) {
    drawer.Draw(node, "_draw_", kNodeZ);
    drawer.Draw(node, "_ldraw_", kNodeZ);
    for (Agedge_t* edge = agfstout(graph.Get(), node); edge != nullptr; edge = agnxtout(graph.Get(), edge)) {
      for (const char* part : {"_draw_", "_ldraw_", "_hdraw_", "_tdraw_", "_hldraw_", "_tldraw_"})
        drawer.Draw(edge, part, kEdgeZ);
    }
  }
  constexpr double kMargin = 6;
  scene->setSceneRect(
      QRectF(QPointF(left * kPixelsPerPoint, 0), QSizeF(right - left, top - bottom) * kPixelsPerPoint)
          .adjusted(-kMargin, -kMargin, kMargin, kMargin));
  return scene;
}

QImage SceneImage(QGraphicsScene& scene) {
  const QRectF source = scene.sceneRect();
  const double longer = std::max(source.width(), source.height());
  const double shrink = longer > kMostImageSide ? kMostImageSide / longer : 1.0;
  QImage image((source.size() * shrink).toSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  scene.render(&painter, QRectF(image.rect()), source);
  return image;
}

double FitScale(const QSizeF& picture, const QSizeF& viewport) {
  if (picture.isEmpty() || viewport.isEmpty()) return 1.0;
  return std::min({1.0, viewport.width() / picture.width(), viewport.height() / picture.height()});
}

double ZoomedScale(double scale, int steps, double fitted) {
  return std::clamp(scale * std::pow(kZoomStep, steps), std::min(fitted, kMostZoom), kMostZoom);
}

NetworkPictureView::NetworkPictureView(QGraphicsScene& picture, QWidget* parent)
    : QGraphicsView(&picture, parent) {
  setObjectName("NetworkPicture");
  setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
  setDragMode(QGraphicsView::ScrollHandDrag);
  setTransformationAnchor(QGraphicsView::NoAnchor);
  setResizeAnchor(QGraphicsView::NoAnchor);
  setAlignment(Qt::AlignCenter);
  setFocusPolicy(Qt::StrongFocus);
  Fit();
}

double NetworkPictureView::Scale() const { return transform().m11(); }

// A pixel to spare on each side: an exact fit can round into scroll bars.
double NetworkPictureView::FittedScale() const {
  return FitScale(sceneRect().size(), QSizeF(viewport()->size()) - QSizeF(2, 2));
}

void NetworkPictureView::Fit() {
  const double scale = FittedScale();
  setTransform(QTransform::fromScale(scale, scale));
  centerOn(sceneRect().center());
  fitted_ = true;
}

void NetworkPictureView::ZoomAround(const QPointF& viewportPoint, int steps) {
  const double fitted = FittedScale();
  const double scale = ZoomedScale(Scale(), steps, fitted);
  if (scale == Scale()) return;
  const QPointF anchor = viewportTransform().inverted().map(viewportPoint);
  setTransform(QTransform::fromScale(scale, scale));
  const QPointF moved = viewportTransform().map(anchor) - viewportPoint;
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + static_cast<int>(std::lround(moved.x())));
  verticalScrollBar()->setValue(verticalScrollBar()->value() + static_cast<int>(std::lround(moved.y())));
  fitted_ = scale == fitted;
}

QPointF NetworkPictureView::ZoomPoint() const {
  const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
  return viewport()->rect().contains(pointer) ? QPointF(pointer)
                                              : QRectF(viewport()->rect()).center();
}

void NetworkPictureView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QGraphicsView::wheelEvent(event);
    return;
  }
  wheelRest_ += event->angleDelta().y();
  const int steps = wheelRest_ / QWheelEvent::DefaultDeltasPerStep;
  wheelRest_ -= steps * QWheelEvent::DefaultDeltasPerStep;
  if (steps != 0) ZoomAround(event->position(), steps);
  event->accept();
}

void NetworkPictureView::keyPressEvent(QKeyEvent* event) {
  int steps = 0;
  if (event->matches(QKeySequence::ZoomIn) || event->key() == Qt::Key_Plus ||
      event->key() == Qt::Key_Equal) {
    steps = 1;
  } else if (event->matches(QKeySequence::ZoomOut) || event->key() == Qt::Key_Minus) {
    steps = -1;
  }
  if (steps == 0) {
    QGraphicsView::keyPressEvent(event);
    return;
  }
  ZoomAround(ZoomPoint(), steps);
  event->accept();
}

void NetworkPictureView::resizeEvent(QResizeEvent* event) {
  QGraphicsView::resizeEvent(event);
  if (fitted_) Fit();
}

void NetworkPictureView::showEvent(QShowEvent* event) {
  QGraphicsView::showEvent(event);
  if (fitted_) Fit();
}

NetworkPictureDialog::NetworkPictureDialog(const QString& title, QGraphicsScene& picture,
                                           QWidget* parent)
    : QDialog(parent) {
  setObjectName("NetworkPictureDialog");
  setWindowTitle(title);
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  view_ = new NetworkPictureView(picture, this);
  layout->addWidget(view_, 1);
  auto* buttons = new QHBoxLayout;
  auto* fit = new QPushButton("&Fit", this);
  fit->setObjectName("bt_fit");
  fit->setToolTip("Show the whole network (Ctrl+wheel or + and - zoom)");
  fit->setAutoDefault(false);
  connect(fit, &QPushButton::clicked, view_, [this] { view_->Fit(); });
  buttons->addWidget(fit);
  buttons->addStretch(1);
  auto* back = new QPushButton("Back", this);
  back->setObjectName("bt_back");
  connect(back, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(back);
  layout->addLayout(buttons);
  // As large as the picture shown whole, no larger: a wide, flat network
  // gets a flat window, which Qt can then open over the main window's middle.
  const QScreen* screen = parent != nullptr ? parent->screen() : this->screen();
  const QSize room = screen->availableGeometry().size() * 0.9;
  const QSize frame(40, 80);  // the dialog's margins and its row of buttons
  const QSizeF whole = picture.sceneRect().size();
  const QSize wanted = (whole * FitScale(whole, QSizeF(room - frame))).toSize() + frame;
  resize(wanted.expandedTo(QSize(480, 360)).boundedTo(room));
  view_->setFocus();
}

}  // namespace vantorb
