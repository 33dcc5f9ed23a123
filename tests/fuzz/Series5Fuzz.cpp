// A Series 5 set (its files cut at "====" lines) read into one database, then every writer and
// reader on what it read.
#include "FuzzSupport.h"
#include "formats/FamilyTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmar::fuzz::fuzzFamilyReader(velmar::kSeries5, data, size, {".wpt", ".rut", ".trk"});
}
