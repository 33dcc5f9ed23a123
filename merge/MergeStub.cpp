// Placeholder until the merge lands.
#include "merge/MergeJob.h"

namespace velmar {

std::string checkMergeInputs(std::size_t, const std::string&) {
    return {};
}
std::string MergeReport::message() const {
    return kMergeCompletedMessage;
}
MergeReport runMergeJob(int, const std::vector<std::string>&, const std::string& outputText) {
    MergeReport report;
    report.outputPath = outputText;
    report.writeResult = kWriteFailed;
    return report;
}

} // namespace velmar
