#include "workbench/qt/file_dialog.hpp"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace vantorb {

const QStringList& NameFilters() {
  static const QStringList filters = {"Proof files (*.PRV *.prv)",
                                      "Dynamic equation files (*.EQU *.equ)",
                                      "All files (*)"};
  return filters;
}

QString DefaultSuffix(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf('(');
  const qsizetype close = nameFilter.lastIndexOf(')');
  if (open < 0 || close < open) return {};
  const QStringList patterns = nameFilter.mid(open + 1, close - open - 1)
                                   .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
  if (patterns.isEmpty()) return {};
  static const QRegularExpression plainExtension("^\\*\\.([^*?\\[\\].]+)$");
  const QRegularExpressionMatch match = plainExtension.match(patterns.front());
  if (!match.hasMatch()) return {};
  // "*.PRV *.prv": the filter takes both, the example programs are named
  // in lower case, and so are the files saved beside them.
  const QString lower = match.captured(1).toLower();
  if (patterns.contains("*." + lower)) return lower;
  return match.captured(1);
}

void PrepareFileDialog(QFileDialog& dialog, bool save, const QString& nameFilter,
                       const QString& suggestedFile) {
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFilters());
  dialog.selectNameFilter(nameFilter);
  dialog.setDefaultSuffix(DefaultSuffix(nameFilter));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) { dialog.setDefaultSuffix(DefaultSuffix(filter)); });
  if (!suggestedFile.isEmpty()) {
    const QFileInfo file(suggestedFile);
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
  }
}

}  // namespace vantorb
