// velmar convert: the Convert page's job on the command line.
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Commands.h"
#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"

namespace velmar::cli {

namespace {

constexpr char kConvertUsage[] =
    "Usage: velmar convert --from TYPE --to TYPE [--out DIR] FILE...\n"
    "Converts each FILE from one format family to another into DIR (default: the current\n"
    "folder), naming each output after its source: DIR/<file name><extension of TYPE>.\n"
    "\n"
    "TYPE: s41 | s5 | s6 | s66 | s77 | hub | cmap | gpx   (or the index 0..6 of the\n"
    "      desktop program's type buttons)\n"
    "\n"
    "Prints one result line per file (OK, FAIL or ABORT) and 'Converting Completed'.\n"
    "Exit status: 0 when every file converted, 1 when any failed or was aborted,\n"
    "2 for bad arguments or inputs. Ctrl-C stops after the file in hand; a second\n"
    "Ctrl-C quits at once.\n";

std::atomic<bool> interrupted{false};

// The first interrupt asks for a stop after the file in hand; a reader that cannot finish (a
// pipe nobody writes to) would keep the command waiting, so a second interrupt quits at once.
extern "C" void onInterrupt(int signal) {
    interrupted.store(true);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
}

// Receives the worker's posts and wakes the main thread; never blocks the worker.
class ConsoleWindow final : public JobWindow {
  public:
    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
        if (message != kMsgConversion) {
            return;
        }
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            if (wParam == 0) {
                completed_ = true;
            }
            ++posts_;
        }
        changed_.notify_one();
    }

    // Waits up to 100 ms for a post; true when the job reported completion.
    bool wait() {
        std::unique_lock<std::mutex> guard(mutex_);
        changed_.wait_for(guard, std::chrono::milliseconds(100), [this] { return posts_ > seen_; });
        seen_ = posts_;
        return completed_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    unsigned long posts_ = 0;
    unsigned long seen_ = 0;
    bool completed_ = false;
};

// Prints the log's result lines (without their CR LF) as they arrive. Every append to the log
// is one whole line that begins with CR LF, so each piece taken from it ends on a line end.
class LinePrinter {
  public:
    void feed(const std::string& text) {
        std::size_t start = text.find("\r\n");
        while (start != std::string::npos) {
            const std::size_t next = text.find("\r\n", start + 2);
            print(std::string_view(text).substr(
                start + 2, next == std::string::npos ? std::string::npos : next - start - 2));
            start = next;
        }
    }
    bool sawFailure() const { return failed_; }

  private:
    void print(std::string_view line) {
        if (line.rfind("FAIL", 0) == 0 || line.rfind("ABORT", 0) == 0) {
            failed_ = true;
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }

    bool failed_ = false;
};

int usageError(const char* message) {
    std::fprintf(stderr, "velmar convert: %s\n\n%s", message, kConvertUsage);
    return 2;
}

} // namespace

int runConvertCommand(int argc, char** argv) {
    int from = -1;
    int to = -1;
    std::string folder;
    bool folderGiven = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kConvertUsage, stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--from" || arg == "--to" || arg == "--out")) {
            if (i + 1 >= argc) {
                return usageError((arg + " needs a value").c_str());
            }
            const std::string value = argv[++i];
            if (arg == "--out") {
                folder = value;
                folderGiven = true;
            } else {
                const int index = familyIndexByKey(value);
                if (index < 0) {
                    return usageError(("unknown type '" + value + "'").c_str());
                }
                (arg == "--from" ? from : to) = index;
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError(("unknown option '" + arg + "'").c_str());
        } else {
            files.push_back(arg);
        }
    }
    if (from < 0 || to < 0) {
        return usageError("--from and --to are required");
    }
    if (!folderGiven) {
        std::error_code error;
        folder = std::filesystem::current_path(error).string();
    }

    // The very checks of the Convert button, with its messages.
    const std::string problem = checkConvertInputs(files.size(), folder, from, to);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 2;
    }
    std::unique_ptr<ConversionJob> job =
        makeConversionJob(files, folder, from, to, *formatFamily(from), *formatFamily(to));
    if (!job) {
        std::fprintf(stderr, "%s\n", kNoMemoryMessage);
        return 2;
    }

    interrupted.store(false);
    struct sigaction action {};
    struct sigaction previousInt {};
    struct sigaction previousTerm {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt);
    sigaction(SIGTERM, &action, &previousTerm);

    ConsoleWindow window;
    LinePrinter printer;
    std::size_t offset = 0;
    // The worker starts with the interrupt signals blocked, so Ctrl-C always reaches this thread
    // and never cuts short a read or write of the file in hand.
    sigset_t interrupts;
    sigset_t previousMask;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previousMask);
    startConversionJob(job.get(), &window);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    bool completed = false;
    while (!completed) {
        completed = window.wait();
        printer.feed(takeConversionLog(job.get(), &offset));
        if (interrupted.load()) {
            break; // Cancel: the file in hand ends, the others get no line
        }
    }
    stopConversionJob(job.get());
    printer.feed(takeConversionLog(job.get(), &offset));

    sigaction(SIGINT, &previousInt, nullptr);
    sigaction(SIGTERM, &previousTerm, nullptr);
    return (printer.sawFailure() || !completed) ? 1 : 0;
}

} // namespace velmar::cli
