#include "workbench/qt/network_picture.hpp"

#include <graphviz/gvc.h>

namespace vantorb {

QImage RenderDot(const std::string& dot) {
  // Graphviz's text plugin keeps font data beyond one context: a context
  // freed and made anew leaves it reading freed memory. One context serves
  // the program's whole life.
  static GVC_t* const context = gvContext();
  QImage image;
  if (Agraph_t* graph = agmemread(dot.c_str())) {
    if (gvLayout(context, graph, "dot") == 0) {
      char* data = nullptr;
      unsigned int length = 0;
      if (gvRenderData(context, graph, "png", &data, &length) == 0)
        image.loadFromData(reinterpret_cast<const uchar*>(data), static_cast<int>(length), "PNG");
      gvFreeRenderData(data);
      gvFreeLayout(context, graph);
    }
    agclose(graph);
  }
  return image;
}

}  // namespace vantorb
