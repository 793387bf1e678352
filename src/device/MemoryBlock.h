#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavelo {

// A zero-filled byte block with one owner: what the camera rows, the raw capture and the
// in-memory bitmap file image live in. Allocation never throws; a block that cannot be had
// comes back null and the caller reports "Memory size is insufficient for allocation.".
class MemoryBlock {
public:
    MemoryBlock() = default;
    MemoryBlock(MemoryBlock&&) noexcept = default;
    MemoryBlock& operator=(MemoryBlock&&) noexcept = default;
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    // A zero-filled block of `size` bytes, or a null block when the memory cannot be had.
    static MemoryBlock Allocate(std::size_t size);

    bool IsNull() const { return m_pData == nullptr; }
    explicit operator bool() const { return !IsNull(); }
    std::size_t Size() const { return m_nSize; }
    std::uint8_t* Data() { return m_pData.get(); }
    const std::uint8_t* Data() const { return m_pData.get(); }
    void Free();

    // Tests make allocations fail: every later Allocate of more than `bytes` returns a null
    // block until the limit is lifted with NoAllocationLimit.
    static void SetAllocationLimit(std::size_t bytes);
    static constexpr std::size_t NoAllocationLimit = static_cast<std::size_t>(-1);

private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, FreeDeleter> m_pData;
    std::size_t m_nSize = 0;
};

}  // namespace tavelo
