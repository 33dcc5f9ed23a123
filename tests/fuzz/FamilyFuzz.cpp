// A family's reader on any bytes, then every writer and reader on what it read. Built once per
// family: VELMAR_FUZZ_FAMILY is its type index, VELMAR_FUZZ_SUFFIXES the suffixes of the files
// of one set (a Series 5 or Series 6 input is cut into them at "====" lines).
#include "FuzzSupport.h"
#include "formats/FamilyTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmar::fuzz::fuzzFamilyReader(velmar::VELMAR_FUZZ_FAMILY, data, size,
                                          {VELMAR_FUZZ_SUFFIXES});
}
