#pragma once
// The conversion job: converts a list of files from one format family to another, one output
// per input, on one worker thread that reports to its progress window by posted messages.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/ConversionReport.h"
#include "core/FormatFamily.h"
#include "core/JobCommon.h"
#include "core/JobWindow.h"
#include "core/OutputNames.h"

namespace velmar {

struct ConversionJob : JobControl {
    std::vector<std::string> files; // source paths in list order
    std::int32_t fileCount = 0;
    std::string outputFolder; // trimmed
    std::int32_t sourceType = 0;
    std::int32_t destinationType = 0;

    // The reader of sourceType and the writer and extension of destinationType, chosen by
    // whoever builds the job (out of the family table).
    FormatFamily source;
    FormatFamily destination;

    // By file index, under `lock`: the output path used where it is not the plain name (that
    // name was a source of the job or an output it had already written); empty elsewhere.
    std::vector<std::string> renamedOutputs;
    // Set before the worker starts: every file gets a report of what its conversion did to
    // its records. By file index, under `lock`; a file not (yet) converted has an empty one.
    bool reportWanted = false;
    std::vector<ConversionReport> reports;
    // The worker's record of the names the job's outputs may not take.
    OutputNames outputNames;
    bool outputNamesReady = false;

    ConversionJob() = default;
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;
    ~ConversionJob(); // stops and joins a worker that still runs
};

// The Convert button's checks, in their order: the message of the first failed check, or an
// empty text when the inputs are fine. The folder text is checked trimmed, and must name an
// existing folder. The families are those of the chosen type buttons: a source without a reader
// or a destination without a writer is refused.
std::string checkConvertInputs(std::size_t fileCount, const std::string& folderText,
                               const FormatFamily* source, const FormatFamily* destination);

// Builds a job from checked inputs (the folder is trimmed); null when memory runs out.
std::unique_ptr<ConversionJob> makeConversionJob(const std::vector<std::string>& files,
                                                 const std::string& folderText, int sourceType,
                                                 int destinationType, const FormatFamily& source,
                                                 const FormatFamily& destination);

// Converts file `index`: 0, the reader's or the writer's failure code, or -1 when aborted.
int convertOneFile(ConversionJob* job, int index);
// The worker's procedure; returns 0.
int runConversionJob(ConversionJob* job);

// What the progress window does when it opens: resets the log and the flag, starts the worker.
void startConversionJob(ConversionJob* job, JobWindow* window);
// What the progress window's button does: asks for a stop (when the job still runs) and waits
// until the worker has ended.
void stopConversionJob(ConversionJob* job);
// The output path file `index` was written to when it is not the plain name (under the lock);
// empty otherwise.
std::string renamedOutput(ConversionJob* job, int index);
// The report of file `index` (under the lock): empty when none was asked for or the file was
// not converted.
ConversionReport conversionReport(ConversionJob* job, int index);

// The output name: folder + '/' + the source's name after its last '/' + extension.
std::string outputPathFor(const std::string& folder, const std::string& source,
                          const std::string& extension);

} // namespace velmar
