#include "cli/TransferConsole.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdio>
#include <functional>
#include <poll.h>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "cli/Interrupts.h"
#include "cli/JobConsole.h"
#include "cli/StandardOutput.h"

namespace velmar::cli {

namespace {

// The transfer's window: its line count, the write job's question and the final line.
class TransferWindow final : public ConsoleWindow {
  public:
    explicit TransferWindow(TransferJob* job) : job_(job) {}

    struct Snapshot {
        int lines = 0;
        std::intptr_t question = -1;
        bool ended = false;
    };
    // Waits up to 100 ms for a post; what the job has said so far (a question only once).
    Snapshot wait() {
        return waitAndLook([this] {
            const Snapshot snapshot{lines_, question_, ended_};
            question_ = -1;
            return snapshot;
        });
    }

  private:
    void note(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == job_->lineMessage) {
            ++lines_;
        } else if (message == kMsgWriteResult && wParam == kWriteAskNext) {
            question_ = lParam;
        } else if (wParam == 0 && transferStopAsked(job_)) {
            ended_ = true; // the final line sets the stop flag before it is posted
        }
    }

    TransferJob* job_;
    int lines_ = 0;
    std::intptr_t question_ = -1;
    bool ended_ = false;
};

// The console's lines: the result lines on stdout, and on a terminal the live count on stderr,
// cleared before a result line and shown again after it.
class Console {
  public:
    explicit Console(const char* countFormat)
        : countFormat_(countFormat), live_(::isatty(STDERR_FILENO) == 1) {}

    void feed(const std::string& text) {
        forEachLogLine(text, [this](std::string_view line) { print(line); });
    }
    void count(int lines) {
        if (live_ && lines != shown_) {
            shown_ = lines;
            showCount();
        }
    }
    void finish() {
        if (live_ && shown_ >= 0) {
            std::fputc('\n', stderr);
        }
        shown_ = -1;
    }
    // Clears the count while something else is said on stderr.
    void clearCount() {
        if (live_ && shown_ >= 0) {
            std::fputs("\r\033[K", stderr);
        }
    }
    void showCount() {
        if (live_ && shown_ >= 0) {
            std::fputc('\r', stderr);
            std::fprintf(stderr, countFormat_, shown_);
            std::fflush(stderr);
        }
    }
    bool failed() const { return failed_; }
    const std::string& lastLine() const { return last_; }

  private:
    void print(std::string_view line) {
        if (line.starts_with("Err") || line.starts_with("ABORT")) {
            failed_ = true;
        }
        last_.assign(line);
        clearCount();
        printLine(line);
        showCount();
    }

    const char* countFormat_;
    bool live_;
    int shown_ = -1;
    bool failed_ = false;
    std::string last_;
};

// Asks on the terminal; Yes only for an answer that starts with y or Y. A Ctrl-C while asking
// counts as No (the caller then stops).
bool askOnTerminal(const std::string& path) {
    std::fprintf(stderr, "Continue to write %s. Are you sure? [y/N] ", path.c_str());
    std::fflush(stderr);
    std::string answer;
    while (!interruptAsked()) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 100) <= 0) {
            continue;
        }
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) != 1 || c == '\n') {
            break;
        }
        answer.push_back(c);
    }
    if (interruptAsked()) {
        std::fputc('\n', stderr);
    }
    return !interruptAsked() && !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int runOnConsole(TransferJob* job, const char* countFormat, const char* completedLine,
                 const std::function<void(JobWindow*)>& start,
                 const std::function<void(std::intptr_t, Console&)>& answer) {
    const InterruptScope interrupts(FirstInterrupt::Stop);
    TransferWindow window(job);
    Console console(countFormat);
    std::size_t offset = 0;
    startWithInterruptsBlocked([&] { start(&window); });
    bool ended = false;
    while (!ended && !interruptAsked()) {
        const TransferWindow::Snapshot said = window.wait();
        console.feed(takeJobLog(job, &offset));
        console.count(said.lines);
        if (said.question >= 0) {
            answer(said.question, console);
        }
        ended = said.ended;
    }
    stopTransferJob(job); // Cancel, or the wait for a worker that has ended
    console.feed(takeJobLog(job, &offset));
    console.finish();
    if (interruptAsked()) {
        return kExitInterrupted;
    }
    return console.failed() || console.lastLine() != completedLine ? 1 : 0;
}

template <typename Table> int indexOf(const Table& table, const std::string& text) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (text == table[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

void addSerialOptions(CLI::App& app, SerialOptions* options) {
    app.add_option("--device", options->device, "the plotter's family")
        ->required()
        ->type_name("{s41,s5,s6}");
    app.add_option("--port", options->port,
                   "COM1..COM9 as 'velmar ports' lists them, or a device path")
        ->required()
        ->type_name("COMn|PATH");
    app.add_option("--baud", options->baud,
                   "110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 "
                   "256000 (default 4800, Series 5 115200)")
        ->type_name("N");
    app.add_option("--data-bits", options->dataBits, "(default 8)")->type_name("{5,6,7,8}");
    app.add_option("--parity", options->parity, "(default none)")
        ->type_name("{none,odd,even,mark,space}");
    app.add_option("--stop-bits", options->stopBits, "(default 1)")->type_name("{1,1.5,2}");
    app.add_option("--flow", options->flow, "(default none)")->type_name("{none,hardware,xonxoff}");
}

int deviceTypeByKey(const std::string& key) {
    static const std::array<const char*, 6> keys = {"s41", "s5", "s6", "s66", "s77", "hub"};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (key == keys[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string serialSettings(const SerialOptions& options, int* deviceType, ComSettings* settings) {
    *deviceType = deviceTypeByKey(options.device);
    if (*deviceType < 0) {
        return "unknown device '" + options.device + "' (allowed: s41, s5, s6)";
    }
    defaultComSettings(settings, *deviceType);
    const int port = indexOf(kComPortNames, options.port);
    if (port >= 0) {
        settings->portIndex = port;
    }
    // Each option: its values in the order of the COM settings' lists.
    const struct {
        const char* name;
        const std::optional<std::string>& value;
        std::vector<std::string> allowed;
        std::int32_t* index;
    } choices[] = {
        {"--baud",
         options.baud,
         {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000",
          "57600", "115200", "128000", "256000"},
         &settings->baudIndex},
        {"--data-bits", options.dataBits, {"5", "6", "7", "8"}, &settings->dataBitsIndex},
        {"--parity",
         options.parity,
         {"even", "odd", "none", "mark", "space"},
         &settings->parityIndex},
        {"--stop-bits", options.stopBits, {"1", "1.5", "2"}, &settings->stopBitsIndex},
        {"--flow", options.flow, {"xonxoff", "hardware", "none"}, &settings->flowIndex},
    };
    for (const auto& choice : choices) {
        if (!choice.value) {
            continue;
        }
        const int index = indexOf(choice.allowed, *choice.value);
        if (index < 0) {
            std::string allowed;
            for (const std::string& value : choice.allowed) {
                allowed += (allowed.empty() ? "" : ", ") + value;
            }
            return std::string(choice.name) + " " + *choice.value +
                   " is not allowed (allowed: " + allowed + ")";
        }
        *choice.index = index;
    }
    return {};
}

int runReadOnConsole(DeviceReadJob* job) {
    return runOnConsole(
        job, "Received : %d lines", kReadingCompletedLine,
        [job](JobWindow* window) { startDeviceReadJob(job, window); },
        [](std::intptr_t, Console&) {});
}

int runWriteOnConsole(DeviceWriteJob* job, ContinueAnswer answer) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    return runOnConsole(
        job, "Sended : %d lines", kWritingCompletedLine,
        [job](JobWindow* window) { startDeviceWriteJob(job, window); },
        [job, answer, terminal](std::intptr_t index, Console& console) {
            const std::string& path = job->files[static_cast<std::size_t>(index)];
            bool yes = answer == ContinueAnswer::Yes;
            if (answer == ContinueAnswer::Ask) {
                console.clearCount();
                if (terminal) {
                    yes = askOnTerminal(path);
                } else {
                    std::fprintf(stderr,
                                 "velmar write: not writing %s: no terminal to ask on (--yes "
                                 "writes every file)\n",
                                 path.c_str());
                }
                console.showCount();
            }
            answerContinue(job, yes);
        });
}

} // namespace velmar::cli
