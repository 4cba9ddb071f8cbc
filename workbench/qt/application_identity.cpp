#include "workbench/qt/application_identity.hpp"

// The icon's resource lives in a static library, so nothing would pull it
// into the program unless registered by hand; Q_INIT_RESOURCE must be used
// outside any namespace.
static void RegisterIconResource() { Q_INIT_RESOURCE(application_icon); }

namespace vantorb {

QIcon ApplicationIcon() {
  RegisterIconResource();
  return QIcon(":/icons/vantorb.svg");
}

QIcon BuiltInActionIcon(const QString& name) {
  RegisterIconResource();
  return QIcon(":/icons/actions/" + name + ".svg");
}

}  // namespace vantorb
