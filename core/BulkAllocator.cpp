#include "core/BulkAllocator.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace velmar {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t kBulkThreshold = std::size_t{1} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

#if defined(__linux__)
constexpr bool kMapped = !kSanitized;
#else
constexpr bool kMapped = false;
#endif

bool mapped(std::size_t bytes) {
    return kMapped && bytes >= kBulkThreshold;
}

std::size_t mappedLength(std::size_t bytes) {
    return (bytes + kPage - 1) & ~(kPage - 1);
}

#if defined(__linux__)
// Maps 2 MiB more than asked and gives back what lies before the first 2 MiB boundary and after
// the block, so the block starts on a boundary.
void* mapAligned(std::size_t length) {
    void* area = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    const auto aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) {
        munmap(area, aligned - start);
    }
    const std::size_t tail = kHugePage - (aligned - start);
    if (tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    }
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}
#endif

} // namespace

void* allocateBulk(std::size_t bytes) {
#if defined(__linux__)
    if (mapped(bytes)) {
        return mapAligned(mappedLength(bytes));
    }
#endif
    return ::operator new(bytes);
}

void freeBulk(void* block, std::size_t bytes) noexcept {
#if defined(__linux__)
    if (mapped(bytes)) {
        munmap(block, mappedLength(bytes));
        return;
    }
#endif
    ::operator delete(block);
}

} // namespace velmar
