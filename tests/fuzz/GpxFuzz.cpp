// The GPX reader on any bytes, then every writer and reader on what it read.
#include "FuzzSupport.h"
#include "formats/FamilyTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmar::fuzz::fuzzFamilyReader(velmar::kGpx, data, size, {".gpx"});
}
