#include "core/PositionIndex.h"

#include "core/FieldCodecs.h"

namespace velmar {

bool PositionIndex::key(double latitude, double longitude, std::uint64_t* out) {
    std::int32_t latitudeKeyValue = 0;
    std::int32_t longitudeKeyValue = 0;
    if (latitudeKey(latitude, &latitudeKeyValue) != kOk ||
        longitudeKey(longitude, &longitudeKeyValue) != kOk) {
        return false;
    }
    *out = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(latitudeKeyValue)) << 32) |
           static_cast<std::uint32_t>(longitudeKeyValue);
    return true;
}

void PositionIndex::add(double latitude, double longitude, int index) {
    std::uint64_t k = 0;
    if (key(latitude, longitude, &k)) {
        first_.try_emplace(k, index);
    }
}

int PositionIndex::find(double latitude, double longitude) const {
    std::uint64_t k = 0;
    if (!key(latitude, longitude, &k)) {
        return kNone;
    }
    const auto it = first_.find(k);
    return it == first_.end() ? kNone : it->second;
}

} // namespace velmar
