#pragma once
// The type index of a format family or device: the order of the pages' type radio buttons. The
// Convert and Merge pages show 0..6, the Read and Write pages 0..5 (of which 0..2 can be
// transferred); 7 GPX is offered by the command line only.

namespace velmar {

inline constexpr int kSeries41 = 0;
inline constexpr int kSeries5 = 1;
inline constexpr int kSeries6 = 2;
inline constexpr int kSeries66 = 3;
inline constexpr int kSeries77 = 4;
inline constexpr int kHub = 5;
inline constexpr int kCmap = 6;
inline constexpr int kGpx = 7;

} // namespace velmar
