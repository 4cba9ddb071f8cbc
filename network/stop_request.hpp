#pragma once
// A long computation's question to whoever started it: whether it should
// stop now. Asked often, from the thread that does the computation; the
// answer may come from anywhere (Ctrl-C, a cancel, a window's Escape).

#include <functional>

namespace vantorb {

using StopRequest = std::function<bool()>;

}  // namespace vantorb
