// Decoding must not allocate per primitive member: a sequence of 1000 longs is one buffer, and
// a reused sample decodes again without allocating at all.

#include "middleware/cdr/CdrCodec.h"
#include "middleware/cdr/support/TestTypes.h"
#include "middleware/xtypes/DataText.h"
#include "middleware/xtypes/DynamicData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};
}

// Counts every allocation of this test program (AddressSanitizer brings its own allocator,
// so there the counts are not taken and the tests skip).
#if defined(__SANITIZE_ADDRESS__)
#define VELTRANE_COUNTS_ALLOCATIONS 0
#else
#define VELTRANE_COUNTS_ALLOCATIONS 1
void* operator new(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
#endif

namespace Quorvel::testing {
namespace {

using xtypes::DynamicData;

long AllocationsDuring(const std::function<void()>& work) {
    const long before = allocations.load();
    work();
    return allocations.load() - before;
}

TEST(DecodeAllocation, ASequenceOfLongsIsOneAllocation) {
    if (!VELTRANE_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
    auto type = DynamicType::Structure("Longs", {M("v", DynamicType::Sequence(Prim(TypeKind::INT32)))}, Extensibility::FINAL);
    DynamicData source(type);
    source.loan_value("v").set_length(1000);
    const auto bytes = cdr::to_cdr_buffer(source);
    DynamicData fresh(type);
    EXPECT_EQ(AllocationsDuring([&] { cdr::from_cdr_buffer(fresh, bytes); }), 1);
}

TEST(DecodeAllocation, AReusedSampleDecodesWithoutAllocating) {
    if (!VELTRANE_COUNTS_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
    for (Extensibility ext : {Extensibility::FINAL, Extensibility::APPENDABLE, Extensibility::MUTABLE}) {
        const auto type = RichType(ext);
        DynamicData source(type);
        FillRich(source, 4, true);
        const auto bytes = cdr::to_cdr_buffer(source);
        DynamicData reused(type);
        cdr::from_cdr_buffer(reused, bytes);
        EXPECT_EQ(AllocationsDuring([&] { cdr::from_cdr_buffer(reused, bytes); }), 0);
        EXPECT_EQ(xtypes::ToText(reused), xtypes::ToText(source));
    }
}

}  // namespace
}  // namespace Quorvel::testing
