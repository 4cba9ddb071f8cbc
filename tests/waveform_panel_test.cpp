// The waveform panel under the offscreen platform: traces of a real run,
// the axis painted, a click highlighting its trace, the pointer's reading.

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <memory>

#include "fake_view.hpp"
#include "separator_scope.hpp"
#include "workbench/disk_text_files.hpp"
#include "workbench/qt/waveform_panel.hpp"

using vantorb::WaveformPanel;

class WaveformPanelTest : public QObject {
  Q_OBJECT

 private:
  // A run of the successor of 2, tracing its Eout and Eres neurons.
  struct Run {
    vantorb::testing::FakeView view;
    vantorb::DiskTextFiles files;
    vantorb::NParserInterface parser;
    vantorb::Workbench bench{view, files, parser};
    vantorb::testing::SeparatorScope separator{"."};

    explicit Run(const std::string& program) {
      view.bench = &bench;
      view.openChoices.push_back(program);
      bench.Compile();
      view.values = {"2"};
      view.stepSizeText = "10";
      view.stopAfterText = "100";
      view.tokenText = "E";
      bench.Sim().InspectTypedToken();
      bench.Sim().Compute();
      bench.Sim().Step();
    }
  };

  QTemporaryDir dir_;
  std::unique_ptr<Run> run_;
  std::unique_ptr<WaveformPanel> panel_;

  static int RowTop(int trace) {
    return WaveformPanel::kAxisHeight + trace * WaveformPanel::kRowHeight;
  }

  // Whether a colour of the trace lines appears in that row of the image.
  static bool RowHasTrace(const QImage& image, int trace) {
    for (int y = RowTop(trace); y < RowTop(trace + 1); ++y)
      for (int x = WaveformPanel::kNameWidth; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.blue() > 150 && c.red() < 60) return true;
      }
    return false;
  }

 private slots:
  void init() {
    const QString path = dir_.filePath("s.prv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("s S\n") == 4);
    file.close();
    run_ = std::make_unique<Run>(path.toStdString());
    QCOMPARE(run_->bench.Sim().Waves().Traces().size(), std::size_t{2});
    panel_ = std::make_unique<WaveformPanel>(run_->bench.Sim(), nullptr);
    panel_->resize(500, 200);
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
    panel_->Refresh();
  }
  void cleanup() {
    panel_.reset();
    run_.reset();
  }

  void paintsTracesUnderAnAxisAndHighlightsTheClickedOne() {
    WaveformPanel& panel = *panel_;

    QImage image = panel.viewport()->grab().toImage();
    QVERIFY(RowHasTrace(image, 0));
    QVERIFY(RowHasTrace(image, 1));
    int axisInk = 0;  // tick marks and labels
    for (int y = 0; y < WaveformPanel::kAxisHeight - 1; ++y)
      for (int x = WaveformPanel::kNameWidth; x < image.width(); ++x)
        axisInk += image.pixelColor(x, y).lightness() < 160;
    QVERIFY(axisInk > 20);
    const QColor plainName = image.pixelColor(1, RowTop(0) + 2);
    QCOMPARE(image.pixelColor(1, RowTop(1) + 2), plainName);
    QVERIFY(!panel.SelectedTrace());

    QSignalSpy clicked(&panel, &WaveformPanel::TraceClicked);
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(200, RowTop(1) + 10));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 1);
    QCOMPARE(panel.SelectedTrace(), std::optional<int>(1));
    image = panel.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(1, RowTop(0) + 2), plainName);
    QVERIFY(image.pixelColor(1, RowTop(1) + 2) != plainName);

    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(200, RowTop(0) + 10));
    QCOMPARE(panel.SelectedTrace(), std::optional<int>(0));
    image = panel.viewport()->grab().toImage();
    QVERIFY(image.pixelColor(1, RowTop(0) + 2) != plainName);
    QCOMPARE(image.pixelColor(1, RowTop(1) + 2), plainName);
    // The axis is no trace.
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {}, QPoint(200, 5));
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(panel.SelectedTrace(), std::optional<int>(0));
  }

  void thePointerReadsTheTraceAtItsIteration() {
    WaveformPanel& panel = *panel_;
    // Nothing scrolled: iteration i spans the pixels from 120 + 8 i.
    const double scale = panel.PixelsPerIteration();
    auto at = [&](double iteration, int trace) {
      return QPoint(WaveformPanel::kNameWidth + static_cast<int>(iteration * scale),
                    RowTop(trace) + 10);
    };
    const std::pair<QPoint, QString> cases[] = {
        {at(2.5, 1), "XSEres_1_3 at iteration 2: 0.11110000 (3)"},
        {at(1.5, 1), "XSEres_1_3 at iteration 1: 0.00000000"},
        {at(2.5, 0), "XSEout_1_1 at iteration 2: 1.00000000"},
        {at(0.5, 0), "XSEout_1_1 at iteration 0: not recorded"},
        {at(3.5, 0), ""},  // after the last iteration
        {QPoint(10, RowTop(1) + 10), "XSEres_1_3"},
        {QPoint(200, 5), ""},  // the axis
        {at(2.5, 2), ""},      // below the last trace
    };
    for (const auto& [point, text] : cases) QCOMPARE(panel.ReadingAt(point), text);

    QHelpEvent help(QEvent::ToolTip, at(2.5, 1), panel.viewport()->mapToGlobal(at(2.5, 1)));
    QCoreApplication::sendEvent(panel.viewport(), &help);
    QCOMPARE(QToolTip::text(), QString("XSEres_1_3 at iteration 2: 0.11110000 (3)"));
    QToolTip::hideText();
  }
};

QTEST_MAIN(WaveformPanelTest)
#include "waveform_panel_test.moc"
