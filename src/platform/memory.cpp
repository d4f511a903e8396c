#include "platform/memory.h"

#include <malloc.h>

namespace sonvaro {

void ReleaseFreeMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace sonvaro
