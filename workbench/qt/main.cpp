// vantorb: the workbench window.
//   vantorb [FILE.PRV]                      opens the program in the editor
//   vantorb --screenshots DIR FILE.PRV      compiles the program and saves
//                                           a picture of every tab into DIR

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>

#include "language/parser_interface.hpp"
#include "network/utils.hpp"
#include "workbench/qt/dialogs.hpp"
#include "workbench/qt/main_form.hpp"

namespace {

int SaveScreenshots(vantorb::TMainForm& form, const QString& dir,
                    const QString& program) {
  QDir().mkpath(dir);
  form.Commands().OpenAtStart(program.toStdString());
  form.ScriptDialogs(program.toStdString());
  form.show();
  QApplication::processEvents();
  form.Commands().BuildNeuralNetwork1Click();
  form.Commands().SpeedButton21Click();
  const char* names[] = {"program", "browser", "simulator"};
  for (int tab = 0; tab < 3; ++tab) {
    form.Tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
    if (!form.grab().save(dir + "/" + names[tab] + ".png")) return 1;
  }
  form.CompilerForm()->show();
  QApplication::processEvents();
  return form.CompilerForm()->grab().save(dir + "/compiler-info.png") ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vantorb::CreateParserInterface();
  vantorb::decimalSeparator = vantorb::ReadDecimalSeparator();
  int status = 0;
  {
    vantorb::TMainForm form(*vantorb::parserInterface);
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == "--screenshots") {
      status = SaveScreenshots(form, args[2], args[3]);
    } else {
      if (args.size() >= 2) form.Commands().OpenAtStart(args[1].toStdString());
      form.show();
      status = QApplication::exec();
    }
  }
  vantorb::FreeParserInterface();
  return status;
}
