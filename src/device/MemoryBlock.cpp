#include "device/MemoryBlock.h"

#include <atomic>
#include <cstdlib>

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
    // Zero-filled, as every caller relies on. calloc hands large blocks over as fresh pages
    // that are already zero, so a picture-sized block costs no clearing pass.
    block.m_pData.reset(static_cast<std::uint8_t*>(std::calloc(size == 0 ? 1 : size, 1)));
    if (block.m_pData) {
        block.m_nSize = size;
    }
    return block;
}

void MemoryBlock::FreeDeleter::operator()(std::uint8_t* p) const {
    std::free(p);
}

void MemoryBlock::Free() {
    m_pData.reset();
    m_nSize = 0;
}

void MemoryBlock::SetAllocationLimit(std::size_t bytes) {
    g_allocationLimit.store(bytes, std::memory_order_relaxed);
}

}  // namespace tavelo
