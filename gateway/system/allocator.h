#pragma once

namespace velko::gateway {

// Asks the process's memory allocator to keep at most `heaps` heaps for all of its threads, so
// that what one thread frees serves the others instead of staying with a heap of its own. A
// setting of the whole process: only its composition root makes it, before its threads start.
// Nothing where the allocator keeps no heaps per thread (Windows' process heap); raises nothing.
void limitAllocatorHeaps(int heaps);

}  // namespace velko::gateway
