// The block cache: every block it hands out holds the size asked for, and a
// block kept for later goes only to a request it fits.
#include <gtest/gtest.h>
#include <malloc.h>
#include "common/AssistBlockCache.h"

TEST(BlockCache, EveryBlockHoldsWhatWasAskedFor)
{
    constexpr size_t kBlock = AssistBlockCache::kBlockSize;
    void* pKept = AssistBlockCache::Take(1);
    AssistBlockCache::Give(pKept, 1);
    for (size_t cb : {size_t{1}, kBlock, kBlock + 1, 2 * kBlock, 4 * kBlock, 8 * kBlock}) {
        void* p = AssistBlockCache::Take(cb);
        EXPECT_GE(_msize(p), cb) << cb;
        AssistBlockCache::Give(p, cb);
    }
    // A large block given back goes to the heap, not to the next small request.
    void* pLarge = AssistBlockCache::Take(3 * kBlock);
    AssistBlockCache::Give(pLarge, 3 * kBlock);
    void* pSmall = AssistBlockCache::Take(kBlock);
    EXPECT_EQ(_msize(pSmall), kBlock);
    AssistBlockCache::Give(pSmall, kBlock);
}
