#include "gateway/system/allocator.h"

#include <malloc.h>

namespace velko::gateway {

// glibc gives threads arenas of their own, up to eight for each core.
void limitAllocatorHeaps(int heaps) { mallopt(M_ARENA_MAX, heaps); }

}  // namespace velko::gateway
