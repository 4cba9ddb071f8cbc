#pragma once
// Memory a run has freed goes back to the system: the allocator otherwise
// keeps the pages of a large run's values and rules for the process's life,
// and a window left open after a big computation would hold them. Costs a
// walk of the allocator's free lists: for the end of a run in the window,
// not for every run of a sweep. Safe from any thread.

namespace vantorb {

void GiveFreeMemoryBack();

}  // namespace vantorb
