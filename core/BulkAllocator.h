#pragma once
// Memory for the largest arrays (a track's points): a block of a megabyte or more is mapped on
// its own, aligned to 2 MiB and offered to the kernel for huge pages, so filling it costs one
// page fault per 2 MiB instead of one per 4 KiB (the first touch of fresh pages is the dearest
// part of reading a large file). Smaller blocks, other systems and sanitizer builds use the
// ordinary allocator. Freed blocks go back to the system at once.

#include <cstddef>
#include <new>

namespace velmar {

void* allocateBulk(std::size_t bytes); // throws std::bad_alloc
void freeBulk(void* block, std::size_t bytes) noexcept;

template <typename T> struct BulkAllocator {
    using value_type = T;

    BulkAllocator() noexcept = default;
    template <typename U> BulkAllocator(const BulkAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(allocateBulk(n * sizeof(T)));
    }
    void deallocate(T* block, std::size_t n) noexcept { freeBulk(block, n * sizeof(T)); }

    template <typename U> bool operator==(const BulkAllocator<U>&) const noexcept { return true; }
};

} // namespace velmar
