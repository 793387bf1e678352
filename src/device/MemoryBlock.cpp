#include "device/MemoryBlock.h"

#include <atomic>
#include <new>

namespace tavelo {

namespace {
// Largest block a test lets through; the product never lowers it.
std::atomic<std::size_t> g_allocationLimit{MemoryBlock::NoAllocationLimit};
}  // namespace

MemoryBlock MemoryBlock::Allocate(std::size_t size) {
    MemoryBlock block;
    if (size > g_allocationLimit.load(std::memory_order_relaxed)) {
        return block;
    }
    // Value-initialised: the block comes zero-filled, as every caller relies on.
    block.m_pData.reset(new (std::nothrow) std::uint8_t[size]());
    if (block.m_pData) {
        block.m_nSize = size;
    }
    return block;
}

void MemoryBlock::Free() {
    m_pData.reset();
    m_nSize = 0;
}

void MemoryBlock::SetAllocationLimit(std::size_t bytes) {
    g_allocationLimit.store(bytes, std::memory_order_relaxed);
}

}  // namespace tavelo
