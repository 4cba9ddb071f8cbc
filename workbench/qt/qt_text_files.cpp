#include "workbench/qt/qt_text_files.hpp"

#include <QFile>
#include <QSaveFile>

#include "network/exceptions.hpp"

namespace vantorb {

std::string QtTextFiles::Read(const std::string& fileName) {
  QFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::ReadOnly))
    throw NeuroException("Cannot read the file " + fileName + ": " +
                         file.errorString().toStdString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw NeuroException("Cannot read the file " + fileName + ": " +
                         file.errorString().toStdString());
  return bytes.toStdString();
}

void QtTextFiles::Write(const std::string& fileName, const std::string& text) {
  QSaveFile file(QString::fromStdString(fileName));
  const auto fail = [&] {
    throw NeuroException("Cannot write the file " + fileName + ": " +
                         file.errorString().toStdString());
  };
  if (!file.open(QIODevice::WriteOnly)) fail();
  if (file.write(text.data(), static_cast<qint64>(text.size())) !=
      static_cast<qint64>(text.size()))
    fail();
  if (!file.commit()) fail();
}

}  // namespace vantorb
