#include "simulation/free_memory.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vantorb {

void GiveFreeMemoryBack() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace vantorb
