#include "core/ConversionJob.h"

#include <new>
#include <utility>

#include "core/Text.h"
#include "core/TextFile.h"

namespace velmar {

namespace {

void appendLog(ConversionJob* job, std::string_view prefix, int code, std::string_view suffix,
               const std::string& path) {
    std::string line(prefix);
    if (code >= 0) {
        appendInt(line, code, 2, ' ');
    }
    line.append(suffix);
    line.append(path);
    const std::lock_guard<std::mutex> guard(job->lock);
    job->resultLog.append(line);
}

void storeReport(ConversionJob* job, int index, ConversionReport report) {
    const std::lock_guard<std::mutex> guard(job->lock);
    job->reports.resize(job->files.size());
    job->reports[static_cast<std::size_t>(index)] = std::move(report);
}

bool stopAsked(ConversionJob* job) {
    const std::lock_guard<std::mutex> guard(job->lock);
    return job->stopFlag == 1;
}

void post(ConversionJob* job, std::uintptr_t wParam) {
    if (job->progressWindow != nullptr) {
        job->progressWindow->postMessage(kMsgConversion, wParam, 0);
    }
}

} // namespace

ConversionJob::~ConversionJob() {
    if (workerThread.joinable()) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            stopFlag = 1;
        }
        workerThread.join();
    }
}

std::string outputPathFor(const std::string& folder, const std::string& source,
                          const std::string& extension) {
    const auto slash = source.rfind('/');
    const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    std::string path = folder;
    path.push_back('/');
    path.append(name);
    path.append(extension);
    return path;
}

std::string checkConvertInputs(std::size_t fileCount, const std::string& folderText,
                               const FormatFamily* source, const FormatFamily* destination) {
    if (fileCount == 0) {
        return "No files for convert.\nPress the <Add file> button to add a file to list";
    }
    const std::string folder = trimText(folderText);
    if (folder.empty()) {
        return "No folder for save output files.\nPress the <Browse> button to choose folder";
    }
    if (!isExistingFolder(folder)) {
        return folder + " folder is not exist";
    }
    // Only Series 66 is a type button without a reader and a writer.
    if (source == nullptr || source->reader == nullptr || destination == nullptr ||
        destination->writer == nullptr) {
        return "No support Series 66";
    }
    return {};
}

std::unique_ptr<ConversionJob> makeConversionJob(const std::vector<std::string>& files,
                                                 const std::string& folderText, int sourceType,
                                                 int destinationType, const FormatFamily& source,
                                                 const FormatFamily& destination) {
    try {
        auto job = std::make_unique<ConversionJob>();
        job->files = files;
        job->fileCount = static_cast<std::int32_t>(files.size());
        job->outputFolder = trimText(folderText);
        job->sourceType = sourceType;
        job->destinationType = destinationType;
        job->source = source;
        job->destination = destination;
        return job;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int convertOneFile(ConversionJob* job, int index) {
    if (job == nullptr || index < 0 || index >= static_cast<int>(job->files.size())) {
        return kBadArgument;
    }
    const std::string& path = job->files[static_cast<std::size_t>(index)];
    try {
        ConversionReport kept;
        ConversionReport* report = job->reportWanted ? &kept : nullptr;
        if (report != nullptr) {
            report->source = path;
            report->stage = FindingStage::Reading;
        }
        NavDatabase database;
        initNavDatabase(&database);
        const ResultCode read =
            job->source.reader ? job->source.reader(path.c_str(), &database, report) : kBadArgument;
        if (report != nullptr) {
            report->read = countRecords(database);
            report->stage = FindingStage::Writing;
            storeReport(job, index, *report); // what the read did, also when the write fails
        }
        if (read != kOk) {
            clearNavDatabase(&database);
            appendLog(job, "\r\nFAIL (0-", read, ") : ", path);
            return read;
        }
        // A reader or writer that has started is never interrupted: a stop takes effect here.
        if (stopAsked(job)) {
            clearNavDatabase(&database);
            appendLog(job, "\r\nABORT : ", -1, "", path);
            return -1;
        }
        // Never a source of the job, never an output it already wrote: a name that is taken
        // gets a number ("day.hub-2.s41").
        if (!job->outputNamesReady) {
            job->outputNames.addSources(job->files);
            job->outputNamesReady = true;
        }
        const std::string output =
            job->outputNames.claim(outputPathFor(job->outputFolder, path, ""),
                                   job->destination.extension, job->destination.memberSuffixes);
        if (output != outputPathFor(job->outputFolder, path, job->destination.extension)) {
            const std::lock_guard<std::mutex> guard(job->lock);
            job->renamedOutputs.resize(job->files.size());
            job->renamedOutputs[static_cast<std::size_t>(index)] = output;
        }
        if (report != nullptr) {
            report->output = output;
        }
        const ResultCode written = job->destination.writer
                                       ? job->destination.writer(&database, output.c_str(), report)
                                       : kBadArgument;
        clearNavDatabase(&database);
        if (report != nullptr) {
            storeReport(job, index, std::move(*report));
        }
        if (written != kOk) {
            appendLog(job, "\r\nFAIL (1-", written, ") ", path);
            return written;
        }
        appendLog(job, "\r\nOK : ", -1, "", path);
        return kOk;
    } catch (const std::bad_alloc&) {
        appendLog(job, "\r\nFAIL (0-", kNoMemory, ") : ", path);
        return kNoMemory;
    }
}

int runConversionJob(ConversionJob* job) {
    if (job == nullptr) {
        return 0;
    }
    for (int i = 0; i < job->fileCount; ++i) {
        convertOneFile(job, i);
        if (stopAsked(job)) {
            return 0; // no message for this file
        }
        post(job, 1);
    }
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        if (job->stopFlag == 1) {
            return 0;
        }
        job->stopFlag = 1;
        job->resultLog.append("\r\nConverting Completed");
    }
    post(job, 0);
    return 0;
}

void startConversionJob(ConversionJob* job, JobWindow* window) {
    startJobWorker(job, window, [job] { runConversionJob(job); });
}

void stopConversionJob(ConversionJob* job) {
    if (job == nullptr) {
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        if (job->stopFlag == 0) {
            job->stopFlag = 1;
        }
    }
    if (job->workerThread.joinable()) {
        job->workerThread.join();
    }
}

std::string renamedOutput(ConversionJob* job, int index) {
    const std::lock_guard<std::mutex> guard(job->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= job->renamedOutputs.size()) {
        return {};
    }
    return job->renamedOutputs[static_cast<std::size_t>(index)];
}

ConversionReport conversionReport(ConversionJob* job, int index) {
    const std::lock_guard<std::mutex> guard(job->lock);
    if (index < 0 || static_cast<std::size_t>(index) >= job->reports.size()) {
        return {};
    }
    return job->reports[static_cast<std::size_t>(index)];
}

} // namespace velmar
