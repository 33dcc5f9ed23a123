// The merge job on up to four files (cut at "====" lines), merged as HUB files and as CMAP
// documents; each merge must succeed and its output must read back.
#include "FuzzSupport.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "merge/MergeJob.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const MergeType type : {MergeHub, MergeCmap}) {
        const std::string extension = type == MergeHub ? ".hub" : ".xml";
        const std::vector<std::string> files = fuzz::writeInputFiles(
            data, size, "in", {"1" + extension, "2" + extension, "3" + extension, "4" + extension});
        const std::string output = files.front() + ".merged" + extension;
        fuzz::expect(runMergeJob(type, files, output).ok(), "merge");
        if (type == MergeHub) {
            NavDatabase back;
            initNavDatabase(&back);
            fuzz::expect(readHubFile(output.c_str(), &back) == kOk, "merged HUB file");
        } else {
            CmapDatabase back;
            initCmapDatabase(&back);
            fuzz::expect(loadCmapFile(output.c_str(), &back) == kOk, "merged CMAP file");
            clearCmapDatabase(&back);
        }
    }
    return 0;
}
