#include "preview/ByteSource.h"

#include <algorithm>

bool MemorySource::ReadAt(uint64_t offset, std::span<uint8_t> out) {
    const auto from = bytes_.subspan(static_cast<std::size_t>(offset), out.size());
    std::copy(from.begin(), from.end(), out.begin());
    return true;
}
