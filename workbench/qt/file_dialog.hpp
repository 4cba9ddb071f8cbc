#pragma once
// The window's file dialogs: the filters they offer (program files,
// equation files, all files) and the extension a name typed without one
// takes, which follows the filter selected, also when the user changes it
// in the dialog.

#include <QString>
#include <QStringList>

class QFileDialog;

namespace vantorb {

// In the order of FilterEntry.
const QStringList& NameFilters();

// The extension a name typed without one takes under nameFilter, a Qt name
// filter such as "Proof files (*.PRV *.prv)": the extension of its first
// pattern, in lower case when the filter also lists it so ("prv" there),
// none when that pattern is no plain "*.EXT" (as "*" for all files).
QString DefaultSuffix(const QString& nameFilter);

// Sets up an open or save dialog without showing it: the filters with
// nameFilter selected, the default suffix following the selected filter,
// and, when suggestedFile is not empty, its folder and name selected.
void PrepareFileDialog(QFileDialog& dialog, bool save, const QString& nameFilter,
                       const QString& suggestedFile);

}  // namespace vantorb
