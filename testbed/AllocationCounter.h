#pragma once
// What the bench and the allocation-starving suites count: every operator new
// of the program (one of them can be made to fail), and the task-allocator
// blocks (BSTRs included) seen by a malloc spy registered once for the
// process. The balance spans: each test marks the start of its own, and only
// blocks allocated since then and not given back are outstanding.
#include <windows.h>
#include <cstddef>
#include <string>

long OperatorNewCalls();
// The lFailAt-th operator new from now on throws std::bad_alloc (0: none).
void FailOperatorNewAt(long lFailAt);
// Every operator new of exactly cb bytes throws std::bad_alloc (0: none).
void FailAllocationsOfSize(size_t cb);

class CMemoryBalance
{
public:
    // Registers the spy on first use and starts a new span.
    static void Mark();
    // Blocks allocated since the last Mark and still outstanding.
    static long Outstanding();
    // Their sizes and, for ones that look like BSTRs, their text.
    static std::wstring DescribeOutstanding();
    // All allocations (reallocations included) since the spy was registered.
    static long TotalAllocations();
    // Registers the spy on first use; false when the runtime refused it.
    static bool SpyActive();
};

inline bool StartTaskMemoryCount()
{
    return CMemoryBalance::SpyActive();
}
inline long TaskMemoryAllocations()
{
    return CMemoryBalance::TotalAllocations();
}
