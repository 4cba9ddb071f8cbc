#pragma once
// Small pieces the main window's files share: a text as Qt holds it, and a
// tab's banner.

#include <QFont>
#include <QLabel>
#include <QString>
#include <string>

namespace vantorb {

inline QString Qs(const std::string& text) { return QString::fromStdString(text); }

inline QLabel* Banner(const QString& text, QWidget* parent) {
  auto* banner = new QLabel(text, parent);
  banner->setObjectName("banner");
  QFont font = banner->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.3);
  banner->setFont(font);
  return banner;
}

}  // namespace vantorb
