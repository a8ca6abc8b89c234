#include "gtfs_import/feed/feed_limits.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVAPOMER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KVAPOMER_ASAN 1
#endif

#ifdef KVAPOMER_ASAN
// From the sanitizer's allocator interface (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace kvapomer::gtfs {

std::size_t heapInUse() {
#ifdef KVAPOMER_ASAN
    // The sanitizer's allocator replaces the C library's and keeps its own count.
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

std::string sizeText(std::uint64_t bytes) {
    const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    while (unit + 1 < std::size(units) && bytes >= 1024 && bytes % 1024 == 0) {
        bytes /= 1024;
        ++unit;
    }
    return std::to_string(bytes) + " " + units[unit];
}

} // namespace kvapomer::gtfs
