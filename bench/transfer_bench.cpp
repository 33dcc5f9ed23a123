// The device read and write jobs against a pseudo-terminal device: the Series 5 turn-around per
// line both ways, a 10 MB Series 6 stream saved and sent, and the Series 41 pacing.
//
// Targets on the 2-core development machine: Series 5 per-line overhead median < 1 ms over
// 10,000 lines (read: answer sent to next request; write: command sent to line received); a
// 10 MB Series 6 stream >= 20 MB/s each way (saved: up to the file in place); Series 41 over a
// 200-line file: mean byte gap within +20 % of 4 ms, mean line gap within +20 % of 54 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "serial/DeviceReadJob.h"
#include "serial/DeviceWriteJob.h"
#include "serial/TestWindow.h"

#include "PtyLine.h"

namespace {

using namespace velmar;
using bench::Line;
using Clock = std::chrono::steady_clock;

constexpr int kTurnLines = 10000;
constexpr std::size_t kStreamBytes = 10u * 1000u * 1000u;
constexpr int kPacedLines = 200;

double millis(Clock::duration span) {
    return std::chrono::duration<double, std::milli>(span).count();
}

double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    return samples[std::min(
        samples.size() - 1,
        static_cast<std::size_t>(fraction * static_cast<double>(samples.size())))];
}

double mean(const std::vector<double>& samples) {
    double sum = 0;
    for (const double sample : samples) {
        sum += sample;
    }
    return samples.empty() ? 0 : sum / static_cast<double>(samples.size());
}

void reportSpread(benchmark::State& state, const std::vector<double>& samples) {
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p99_ms"] = percentile(samples, 0.99);
}

std::string scratch(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// A record line of about the length a plotter sends, CR LF included.
std::string recordLine(int number, std::size_t length) {
    std::string line = "W" + std::to_string(number) + ",";
    line.resize(length - 2, 'x');
    return line + "\r\n";
}

std::string writeFile(const char* name, const std::string& bytes) {
    const std::string path = scratch(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The device's side of an exchange: bytes up to and including the next line feed.
class Reader {
  public:
    explicit Reader(Line& line) : line_(line) {}
    bool until(std::string* got, char end = '\n') {
        got->clear();
        for (;;) {
            const auto at = pending_.find(end);
            if (at != std::string::npos) {
                got->assign(pending_, 0, at + 1);
                pending_.erase(0, at + 1);
                return true;
            }
            char buffer[4096];
            const ssize_t count = line_.receive(buffer, sizeof buffer);
            if (count <= 0) {
                return false;
            }
            pending_.append(buffer, static_cast<std::size_t>(count));
        }
    }

  private:
    Line& line_;
    std::string pending_;
};

ComSettings defaults(int type) {
    ComSettings settings;
    defaultComSettings(&settings, type);
    return settings;
}

void BM_ReadSeries5Turnaround(benchmark::State& state) {
    Line line;
    std::vector<double> samples;
    for (auto _ : state) {
        std::unique_ptr<DeviceReadJob> job;
        prepareDeviceReadJob(scratch("velmar-bench-read.s5"), kSeries5, defaults(kSeries5), &job);
        job->portName = line.path();
        test::TestWindow window;
        window.job = job.get();
        startDeviceReadJob(job.get(), &window);
        Reader reader(line);
        std::string request;
        if (!reader.until(&request) || request != kSeries5Start) {
            state.SkipWithError("no start request");
            break;
        }
        for (int i = 0; i < kTurnLines; ++i) {
            const auto answered = Clock::now();
            if (!line.send(recordLine(i, 48)) || !reader.until(&request)) {
                state.SkipWithError("no next request");
                break;
            }
            samples.push_back(millis(Clock::now() - answered));
        }
        line.send(kSeries5EndLine);
        window.waitFinal();
        stopDeviceReadJob(job.get());
    }
    reportSpread(state, samples);
    std::filesystem::remove(scratch("velmar-bench-read.s5"));
}
BENCHMARK(BM_ReadSeries5Turnaround)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_WriteSeries5Turnaround(benchmark::State& state) {
    std::string file;
    for (int i = 0; i < kTurnLines; ++i) {
        file += recordLine(i, 48);
    }
    const std::string path = writeFile("velmar-bench-write.s5", file);
    Line line;
    std::vector<double> samples;
    for (auto _ : state) {
        std::unique_ptr<DeviceWriteJob> job;
        prepareDeviceWriteJob({path}, kSeries5, defaults(kSeries5), &job);
        job->portName = line.path();
        test::TestWindow window;
        window.job = job.get();
        startDeviceWriteJob(job.get(), &window);
        if (!line.configuredTo(115200)) {
            state.SkipWithError("the port was not opened");
            break;
        }
        Reader reader(line);
        std::string answer;
        for (int i = 0; i <= kTurnLines; ++i) {
            const auto asked = Clock::now();
            if (!line.send(i == 0 ? kSeries5Start : kSeries5Next) || !reader.until(&answer)) {
                state.SkipWithError("no answer");
                break;
            }
            if (i < kTurnLines) {
                samples.push_back(millis(Clock::now() - asked));
            }
        }
        window.waitFinal();
        stopDeviceWriteJob(job.get());
    }
    reportSpread(state, samples);
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteSeries5Turnaround)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

std::string series6Stream() {
    std::string stream;
    for (int i = 0; stream.size() < kStreamBytes - 64; ++i) {
        stream += recordLine(i, 60);
    }
    stream.resize(kStreamBytes - 1, 'x');
    return stream + kSeries6EndMark;
}

// The receiver, on a port opened here, from the first byte sent until the file is in place.
void BM_ReadSeries6Stream(benchmark::State& state) {
    const std::string stream = series6Stream();
    const std::string out = scratch("velmar-bench-read.s6");
    for (auto _ : state) {
        state.PauseTiming();
        Line line;
        std::unique_ptr<DeviceReadJob> job;
        prepareDeviceReadJob(out, kSeries6, defaults(kSeries6), &job);
        SerialPort port;
        if (openConfiguredPort(&port, line.path().c_str(), &job->settings, true) != kPortReady) {
            state.SkipWithError("cannot open the port");
            break;
        }
        test::TestWindow window;
        job->progressWindow = &window;
        auto receiver =
            std::async(std::launch::async, [&] { return receiveSeries6(job.get(), &port); });
        state.ResumeTiming();
        line.send(stream);
        receiver.get();
        state.PauseTiming();
        if (std::filesystem::file_size(out) != kStreamBytes) {
            state.SkipWithError("the file is not whole");
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
    std::filesystem::remove(out);
}
BENCHMARK(BM_ReadSeries6Stream)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole write job, from its start until the device has taken the end mark.
void BM_WriteSeries6Stream(benchmark::State& state) {
    const std::string path = writeFile("velmar-bench-write.s6", series6Stream());
    for (auto _ : state) {
        Line line;
        std::unique_ptr<DeviceWriteJob> job;
        prepareDeviceWriteJob({path}, kSeries6, defaults(kSeries6), &job);
        job->portName = line.path();
        test::TestWindow window;
        window.job = job.get();
        startDeviceWriteJob(job.get(), &window);
        if (!line.drain(kStreamBytes) || !window.waitFinal()) {
            state.SkipWithError("the stream stalled");
        }
        stopDeviceWriteJob(job.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteSeries6Stream)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Series 41 pacing as the device sees it: the gaps between the bytes of a line, and between
// the end of a line and the next line's first byte.
void BM_WriteSeries41Pacing(benchmark::State& state) {
    std::string file;
    for (int i = 0; i < kPacedLines; ++i) {
        char sentence[32];
        std::snprintf(sentence, sizeof sentence, "$PFEC,GPrtc,%02d,ROUTE%03d\r\n", i % 100, i);
        file += sentence;
    }
    const std::string path = writeFile("velmar-bench-paced.s41", file);
    std::vector<double> byteGaps;
    std::vector<double> lineGaps;
    for (auto _ : state) {
        Line line;
        std::unique_ptr<DeviceWriteJob> job;
        prepareDeviceWriteJob({path}, kSeries41, defaults(kSeries41), &job);
        job->portName = line.path();
        test::TestWindow window;
        window.job = job.get();
        startDeviceWriteJob(job.get(), &window);
        if (!line.configuredTo(4800) || !line.send(kSeries41Prompt)) {
            state.SkipWithError("the port was not opened");
            break;
        }
        std::size_t received = 0;
        Clock::time_point last{};
        bool lineEnded = false;
        while (received < file.size()) {
            char buffer[64];
            const ssize_t count = line.receive(buffer, sizeof buffer);
            if (count <= 0) {
                state.SkipWithError("the bytes stopped");
                break;
            }
            const auto now = Clock::now();
            for (ssize_t i = 0; i < count; ++i, ++received) {
                if (received > 0) {
                    (lineEnded ? lineGaps : byteGaps).push_back(millis(now - last));
                }
                last = now;
                lineEnded = buffer[i] == '\n';
            }
        }
        window.waitFinal();
        stopDeviceWriteJob(job.get());
    }
    state.counters["byte_gap_mean_ms"] = mean(byteGaps);
    state.counters["byte_gap_median_ms"] = percentile(byteGaps, 0.5);
    state.counters["line_gap_mean_ms"] = mean(lineGaps);
    state.counters["line_gap_min_ms"] = percentile(lineGaps, 0);
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteSeries41Pacing)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
