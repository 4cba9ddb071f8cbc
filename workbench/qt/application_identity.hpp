#pragma once
// How the desktop knows the window: the application id that names its
// desktop entry, icon and metainfo, and the icon itself.

#include <QIcon>

namespace vantorb {

// The reverse-DNS id shared by the installed desktop entry, icon and
// metainfo; the window announces it so that the desktop matches the
// running window to its entry.
inline constexpr const char* kApplicationId = "io.github.vantorb.Vantorb";

// The application's scalable icon, built into the program as a resource.
// Drawing it needs Qt's SVG plugins (Debian's libqt6svg6); without them
// the icon is null. Call only while a QGuiApplication exists.
QIcon ApplicationIcon();
// The built-in icon of a command, by its name in the desktop's icon theme
// ("edit-cut", "system-run", ...), for a theme that lacks it.
QIcon BuiltInActionIcon(const QString& name);

}  // namespace vantorb
