#pragma once
// Draws a Graphviz DOT text into an image with the Graphviz library.

#include <QImage>

#include <string>

namespace vantorb {

// An empty image when the text cannot be laid out.
QImage RenderDot(const std::string& dot);

}  // namespace vantorb
