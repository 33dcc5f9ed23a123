// velmar write: the Write page's job on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/TransferConsole.h"

namespace velmar::cli {

namespace {

constexpr char kWriteFooter[] =
    "Sends each FILE, in order, to a plotter connected to the serial port, byte for byte as\n"
    "stored (Series 41: after the plotter's prompt, paced; Series 5: a line per request of the\n"
    "plotter; Series 6: as a stream closed by its end mark). Before each file after the first\n"
    "the question 'Continue to write FILE?' is answered by --yes or --no, or asked on a\n"
    "terminal; without a terminal the answer is No.\n"
    "\n"
    "Prints a result line per file ('OK : FILE', 'ABORT : FILE', 'Err : Open file FILE') and\n"
    "'Writing Completed' and, on a terminal, the count of lines sent. Exit status: 0 when every\n"
    "file that was offered was sent, 1 when a line reads Err or ABORT, 2 for bad arguments, 130\n"
    "when stopped by Ctrl-C (as Cancel). A second Ctrl-C quits at once.";

class WriteCommand final : public Command {
  public:
    void addOptions(CLI::App& app) override {
        app.footer(kWriteFooter);
        addSerialOptions(app, &serial_);
        CLI::Option* yes = app.add_flag("--yes", yes_, "write every further file");
        app.add_flag("--no", no_, "write only the first file")->excludes(yes);
        app.add_option("FILE", files_, "the files to send, in this order")->type_name("");
    }

    int run() override {
        int deviceType = -1;
        ComSettings settings;
        const std::string refused = serialSettings(serial_, &deviceType, &settings);
        if (!refused.empty()) {
            return argumentError("write", refused);
        }
        // The very checks of the Write button, with its messages.
        std::unique_ptr<DeviceWriteJob> job;
        const std::string problem = prepareDeviceWriteJob(files_, deviceType, settings, &job);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return kExitBadArguments;
        }
        job->portName = serial_.port;
        return runWriteOnConsole(job.get(), yes_  ? ContinueAnswer::Yes
                                            : no_ ? ContinueAnswer::No
                                                  : ContinueAnswer::Ask);
    }

  private:
    SerialOptions serial_;
    bool yes_ = false;
    bool no_ = false;
    std::vector<std::string> files_;
};

[[maybe_unused]] const bool registered = registerCommand<WriteCommand>(
    40, "write", "send files to a connected plotter over the serial port");

} // namespace

} // namespace velmar::cli
