#pragma once
// The type index of a format family or device: the order of the pages' type radio buttons. The
// Convert and Merge pages show 0..6, the Read and Write pages 0..5 (of which 0..2 can be
// transferred); 7 GPX is offered by the command line only.

namespace velmar {

// Unscoped, so an index compares and stores as the int the pages and the command line use.
enum TypeIndex : int {
    kSeries41 = 0,
    kSeries5 = 1,
    kSeries6 = 2,
    kSeries66 = 3,
    kSeries77 = 4,
    kHub = 5,
    kCmap = 6,
    kGpx = 7,
};

} // namespace velmar
