#include "tests/support/HeapUse.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Allocator {
    const char* name;
    void* (*take)();
    void (*give)(void*);
};

// A census blind to one of these would pass a leak of the program's own.
const Allocator kAllocators[] = {
    {"new char[64]", [] { return static_cast<void*>(new char[64]); }, [](void* p) { delete[] static_cast<char*>(p); }},
    {"malloc(64)", [] { return std::malloc(64); }, [](void* p) { std::free(p); }},
    {"HeapAlloc(GetProcessHeap(), 0, 64)", [] { return ::HeapAlloc(::GetProcessHeap(), 0, 64); },
     [](void* p) { ::HeapFree(::GetProcessHeap(), 0, p); }},
};

TEST(HeapUseTest, SeesEveryAllocatorsBlockComeAndGo)
{
    for (const Allocator& allocator : kAllocators) {
        const testsupport::HeapUse before = testsupport::ProcessHeapUse();
        void* planted = allocator.take();
        const testsupport::HeapUse held = testsupport::ProcessHeapUse();
        allocator.give(planted);
        const testsupport::HeapUse after = testsupport::ProcessHeapUse();
        ASSERT_TRUE(before.complete && held.complete && after.complete) << allocator.name;

        const testsupport::HeapChange taken = held - before;
        EXPECT_EQ(1, taken.blocks) << allocator.name;
        EXPECT_EQ(64, taken.bytes) << allocator.name;
        const testsupport::HeapChange freed = after - held;
        EXPECT_EQ(-1, freed.blocks) << allocator.name << ": a free counts down, it does not wrap";
        EXPECT_EQ(-64, freed.bytes) << allocator.name;
    }
}

} // namespace
