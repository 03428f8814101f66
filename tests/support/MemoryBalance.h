#pragma once
// Counts the task-allocator blocks (BSTRs included) handed out and not given
// back, through a malloc spy registered once for the process. Each test marks
// the start of its own span; blocks allocated before it do not count.
#include <windows.h>
#include <string>

class CMemoryBalance
{
public:
    // Registers the spy on first use and starts a new span.
    static void Mark();
    // Blocks allocated since the last Mark and still outstanding.
    static long Outstanding();
    // Their sizes and, for ones that look like BSTRs, their text.
    static std::wstring DescribeOutstanding();
    // All allocations seen since the spy was registered.
    static long TotalAllocations();
    static bool SpyActive();
};
