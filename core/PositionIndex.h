#pragma once
// A hash index from positions (at the grain of positionKey) to the first record at each
// position, so position look-ups over whole tables stay linear.

#include <cstdint>
#include <unordered_map>

namespace velmar {

class PositionIndex {
  public:
    static constexpr int kNone = -1;

    // Remembers `index` for the position unless an earlier record holds it already. Positions
    // out of range are never remembered (they equal nothing).
    void add(double latitude, double longitude, int index);
    // The first index remembered at the position, or kNone.
    int find(double latitude, double longitude) const;
    void clear() { first_.clear(); }
    void reserve(std::size_t count) { first_.reserve(count); }

    template <typename Table> static PositionIndex of(const Table& table) {
        PositionIndex index;
        index.reserve(table.size());
        for (std::size_t i = 0; i < table.size(); ++i) {
            index.add(table[i].latitude, table[i].longitude, static_cast<int>(i));
        }
        return index;
    }

  private:
    static bool key(double latitude, double longitude, std::uint64_t* out);
    std::unordered_map<std::uint64_t, int> first_;
};

} // namespace velmar
