#include "tools/plotter-sim/DeviceBehaviours.h"

#include <algorithm>
#include <optional>
#include <random>
#include <set>
#include <utility>

namespace velmar::sim {

namespace {

constexpr std::string_view kSeries41End = "$PFEC,GPxfr,CTL,E\r\n";
constexpr std::string_view kSeries5End = "ENDDATA\r\n";
constexpr char kSeries6End = 0x1A;

// Noise a Series 41 device may send between its sentences.
std::string noiseBytes(NoiseKind kind) {
    switch (kind) {
    case NoiseKind::StrayBytes:
        return "\xA5\x5A";
    case NoiseKind::ForeignSentence:
        return "$GPGGA,092750.000,5321.6802,N,00630.3372,W,1,8,1.03,61.7,M,55.2,M,,*76\r\n";
    case NoiseKind::LongSentence: {
        std::string sentence = "$PFEC,GPwpl,";
        sentence.resize(300, '9');
        return sentence; // no line feed
    }
    }
    return {};
}

std::string withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return std::string(line);
}

// Series 41 send: the file's lines, a write each with a pause after it, then the end sentence
// unless the file ends with it.
class Series41Sender final : public DeviceBehaviour {
  public:
    Series41Sender(const SimulatorOptions& options, std::string data)
        : data_(std::move(data)), gapMs_(options.lineGapMs), noise_(options.noise) {}

    void start(DeviceLine& line) override {
        std::vector<std::string> lines = splitLines(data_);
        const bool endsWithEnd = data_.size() >= kSeries41End.size() &&
                                 data_.compare(data_.size() - kSeries41End.size(),
                                               kSeries41End.size(), kSeries41End) == 0;
        if (!endsWithEnd) {
            lines.emplace_back(kSeries41End);
            line.command(true, withoutLineEnd(kSeries41End), "end sentence added");
        }
        const int last = static_cast<int>(lines.size());
        for (int number = 1; number <= last; ++number) {
            int gap = number == 1 ? 0 : gapMs_;
            for (const Noise& noise : noise_) {
                if (std::clamp(noise.beforeLine, 1, std::max(last, 1)) == number) {
                    std::string bytes = noiseBytes(noise.kind);
                    line.summary().noiseBytes += bytes.size();
                    line.send(std::move(bytes), gap);
                    gap = 0;
                }
            }
            line.send(std::move(lines[static_cast<std::size_t>(number - 1)]), gap);
        }
        started_ = true;
    }
    void received(DeviceLine&, std::string_view) override {}
    bool done() const override { return started_; }

  private:
    std::string data_;
    int gapMs_;
    std::vector<Noise> noise_;
    bool started_ = false;
};

// Series 6 send: the file as one stream, closed by 0x1A when the file holds none.
class Series6Sender final : public DeviceBehaviour {
  public:
    explicit Series6Sender(std::string data) : data_(std::move(data)) {}

    void start(DeviceLine& line) override {
        if (data_.find(kSeries6End) == std::string::npos) {
            data_ += kSeries6End;
            line.command(true, "0x1A", "end mark added");
        }
        line.send(std::move(data_));
        started_ = true;
    }
    void received(DeviceLine&, std::string_view) override {}
    bool done() const override { return started_; }

  private:
    std::string data_;
    bool started_ = false;
};

// Collects the program's bytes into lines; calls `onLine` with each line, line feed included.
class LineCollector {
  public:
    template <typename OnLine> void add(std::string_view bytes, OnLine onLine) {
        for (const char c : bytes) {
            pending_ += c;
            if (c == '\n') {
                std::string line;
                line.swap(pending_);
                onLine(line);
            }
        }
    }

  private:
    std::string pending_;
};

// Series 5 send: answers the program's requests, one line per request.
class Series5Sender final : public DeviceBehaviour {
  public:
    Series5Sender(const SimulatorOptions& options, std::string data)
        : lines_(splitLines(data)),
          ignore_(options.ignoreRequests.begin(), options.ignoreRequests.end()),
          answerDelayMs_(options.answerDelayMs) {}

    void start(DeviceLine& line) override {
        started_ = true;
        for (const auto& [at, request] : early_) {
            answer(line, request, at); // requests that came before the start waited in the line
        }
        early_.clear();
    }
    void received(DeviceLine& line, std::string_view bytes) override {
        requests_.add(bytes, [&](const std::string& request) {
            if (started_) {
                answer(line, request);
            } else {
                early_.emplace_back(line.elapsed(), request);
            }
        });
    }
    bool done() const override { return ended_; }

  private:
    void answer(DeviceLine& line, const std::string& request, Millis at = -1) {
        const std::string text = withoutLineEnd(request);
        ++requestNumber_;
        std::optional<std::string> reply;
        std::string note;
        if (ignore_.count(requestNumber_) != 0) {
            note = "ignored";
        } else if (text == "+" || text == "N") {
            if (text == "+") {
                next_ = 0;
            }
            if (next_ < lines_.size()) {
                reply = lines_[next_];
                note = "line " + std::to_string(++next_);
                ended_ = ended_ || next_ == lines_.size();
            } else {
                reply = std::string(kSeries5End);
                note = "ENDDATA";
                ended_ = true;
            }
        } else if (text == "R") {
            if (last_) {
                reply = *last_;
                note = "repeat of " + lastNote_;
            } else {
                note = "nothing to repeat";
            }
        } else if (text == "S") {
            reply = std::string(kSeries5End);
            note = "stop";
            ended_ = true;
        } else {
            note = "unknown request";
        }
        line.command(false, text, note, at);
        if (reply) {
            if (note.compare(0, 7, "repeat ") != 0) {
                last_ = reply;
                lastNote_ = note;
            }
            line.send(*reply, 0, line.now() + std::chrono::milliseconds(answerDelayMs_));
        }
    }

    std::vector<std::string> lines_;
    std::set<int> ignore_;
    int answerDelayMs_;
    LineCollector requests_;
    std::vector<std::pair<Millis, std::string>> early_;
    bool started_ = false;
    bool ended_ = false;
    int requestNumber_ = 0;
    std::size_t next_ = 0;
    std::optional<std::string> last_;
    std::string lastNote_;
};

// The receivers: they take `count` files in a row. Series 41 prompts for each and takes lines
// up to the end sentence; Series 5 asks with "+" and "N" up to ENDDATA; Series 6 takes the
// stream up to 0x1A.
class Receiver final : public DeviceBehaviour {
  public:
    explicit Receiver(const SimulatorOptions& options)
        : device_(options.deviceType), count_(options.count),
          answerDelayMs_(options.answerDelayMs) {}

    void start(DeviceLine& line) override {
        started_ = true;
        if (device_ == kSeries6) {
            taking_ = true;
            for (const std::string& bytes : early_) {
                received(line, bytes);
            }
            early_.clear();
        } else {
            ask(line, 0);
        }
    }

    void received(DeviceLine& line, std::string_view bytes) override {
        if (device_ == kSeries6) {
            if (!started_) {
                early_.emplace_back(bytes); // they wait in the line for the start
                return;
            }
            takeStream(line, bytes);
            return;
        }
        lines_.add(bytes, [&](const std::string& text) { takeLine(line, text); });
    }

    bool done() const override { return filesDone_ >= count_; }

  private:
    ReceivedFile& file(DeviceLine& line) {
        auto& files = line.summary().files;
        if (files.size() <= static_cast<std::size_t>(filesDone_)) {
            files.emplace_back();
        }
        return files.back();
    }

    void append(DeviceLine& line, ReceivedFile& into, std::string_view bytes) {
        if (into.bytes.empty() && !bytes.empty()) {
            into.firstByteAt = line.elapsed();
        }
        into.bytes.append(bytes);
        into.lines += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    }

    void finishFile(DeviceLine& line, ReceivedFile& done, std::string marker) {
        done.complete = true;
        done.endedAt = line.elapsed();
        ++filesDone_;
        taking_ = false;
        line.command(false, std::move(marker), "end of file " + std::to_string(filesDone_));
    }

    // Series 41 and 5: the prompt or "+" that opens file `number` (from 0).
    void ask(DeviceLine& line, int number) {
        const bool series41 = device_ == kSeries41;
        const std::string text = series41 ? ">" : "+";
        line.send(text + "\r\n", 0,
                  number == 0 ? TimePoint{}
                              : line.now() + std::chrono::milliseconds(answerDelayMs_));
        line.command(true, text,
                     (series41 ? "prompt for file " : "start of file ") +
                         std::to_string(number + 1));
        file(line);
        taking_ = true;
    }

    void takeLine(DeviceLine& line, const std::string& text) {
        if (!taking_) {
            line.summary().ignoredBytes += text.size();
            return;
        }
        ReceivedFile& into = file(line);
        append(line, into, text);
        if (device_ == kSeries41) {
            if (text == kSeries41End) {
                finishFile(line, into, withoutLineEnd(kSeries41End));
                if (filesDone_ < count_) {
                    ask(line, filesDone_);
                }
            }
            return;
        }
        if (text == kSeries5End) {
            finishFile(line, into, "ENDDATA");
            if (filesDone_ < count_) {
                ask(line, filesDone_);
            }
            return;
        }
        line.send("N\r\n", 0, line.now() + std::chrono::milliseconds(answerDelayMs_));
        line.command(true, "N", "after line " + std::to_string(into.lines));
    }

    void takeStream(DeviceLine& line, std::string_view bytes) {
        while (!bytes.empty()) {
            if (filesDone_ >= count_) {
                line.summary().ignoredBytes += bytes.size();
                return;
            }
            ReceivedFile& into = file(line);
            const std::size_t end = bytes.find(kSeries6End);
            const std::size_t taken = end == std::string_view::npos ? bytes.size() : end + 1;
            append(line, into, bytes.substr(0, taken));
            bytes.remove_prefix(taken);
            if (end != std::string_view::npos) {
                finishFile(line, into, "0x1A");
            }
        }
    }

    int device_;
    int count_;
    int answerDelayMs_;
    bool started_ = false;
    bool taking_ = false;
    int filesDone_ = 0;
    LineCollector lines_;
    std::vector<std::string> early_;
};

// --silent: sends nothing; --garbage: random bytes instead of the data.
class FaultyDevice final : public DeviceBehaviour {
  public:
    FaultyDevice(std::int64_t garbage, std::uint32_t seed) : garbage_(garbage), seed_(seed) {}

    void start(DeviceLine& line) override {
        started_ = true;
        if (garbage_ > 0) {
            std::mt19937 random(seed_);
            std::uniform_int_distribution<int> byte(0, 255);
            std::string bytes(static_cast<std::size_t>(garbage_), '\0');
            for (char& c : bytes) {
                c = static_cast<char>(byte(random));
            }
            line.send(std::move(bytes));
        }
    }
    void received(DeviceLine&, std::string_view) override {}
    bool done() const override { return started_; }

  private:
    std::int64_t garbage_;
    std::uint32_t seed_;
    bool started_ = false;
};

} // namespace

std::vector<std::string> splitLines(const std::string& data) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t end = data.find('\n', start);
        const std::size_t next = end == std::string::npos ? data.size() : end + 1;
        lines.push_back(data.substr(start, next - start));
        start = next;
    }
    return lines;
}

std::unique_ptr<DeviceBehaviour> makeBehaviour(const SimulatorOptions& options, std::string data) {
    if (options.silent || options.garbageBytes >= 0) {
        return std::make_unique<FaultyDevice>(options.silent ? 0 : options.garbageBytes,
                                              options.seed);
    }
    if (options.role == Role::Receive) {
        return std::make_unique<Receiver>(options);
    }
    switch (options.deviceType) {
    case kSeries5:
        return std::make_unique<Series5Sender>(options, std::move(data));
    case kSeries6:
        return std::make_unique<Series6Sender>(std::move(data));
    default:
        return std::make_unique<Series41Sender>(options, std::move(data));
    }
}

} // namespace velmar::sim
