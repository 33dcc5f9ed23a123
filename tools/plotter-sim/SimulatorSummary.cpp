// The summary of an exchange: words for people and JSON for scripts and tests.

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tools/plotter-sim/PlotterSimulator.h"

namespace velmar::sim {

namespace {

using nlohmann::json;

// Milliseconds kept to the microsecond.
double rounded(double millis) {
    return std::round(millis * 1000.0) / 1000.0;
}

std::string seconds(Millis at) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", at / 1000.0);
    return text;
}

const char* endingKey(Ending ending) {
    switch (ending) {
    case Ending::Completed:
        return "completed";
    case Ending::Unplugged:
        return "unplugged";
    case Ending::TimedOut:
        return "timed out";
    case Ending::Stopped:
        return "stopped";
    default:
        return "running";
    }
}

std::string grouped(std::uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

std::string count(std::uint64_t number, const char* one, const char* many) {
    return grouped(number) + " " + (number == 1 ? one : many);
}

std::string times(const std::vector<Millis>& list) {
    std::string text;
    for (const Millis at : list) {
        text += (text.empty() ? "" : ", ") + seconds(at);
    }
    return text.empty() ? "never" : text;
}

json spreadJson(const Spread& spread) {
    return {{"count", spread.count},
            {"min", rounded(spread.min)},
            {"median", rounded(spread.median)},
            {"max", rounded(spread.max)}};
}

std::string spreadText(const Spread& spread) {
    char text[96];
    std::snprintf(text, sizeof text, "%.1f / %.1f / %.1f ms", spread.min, spread.median,
                  spread.max);
    return text;
}

} // namespace

const char* deviceKey(int deviceType) {
    return deviceType == kSeries5 ? "s5" : deviceType == kSeries6 ? "s6" : "s41";
}

const char* deviceName(int deviceType) {
    return deviceType == kSeries5 ? "Series 5" : deviceType == kSeries6 ? "Series 6" : "Series 41";
}

std::string escapeBytes(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text;
}

std::string summaryJson(const SimulatorSummary& summary) {
    json out = {
        {"device", deviceKey(summary.deviceType)},
        {"role", summary.role == Role::Send ? "send" : "receive"},
        {"description", summary.description},
        {"port", summary.port},
        {"link", summary.link},
        {"registration", summary.registration},
        {"ending", endingKey(summary.ending)},
        {"exitStatus", summary.exitStatus},
        {"startedAt", summary.startedAt < 0 ? json(nullptr) : json(rounded(summary.startedAt))},
        {"endedAt", rounded(summary.endedAt)},
        {"sent",
         {{"bytes", summary.sent.size()},
          {"lines", summary.sentLines},
          {"held", summary.heldBytes},
          {"noise", summary.noiseBytes}}},
        {"received",
         {{"bytes", summary.received.size()},
          {"lines", summary.receivedLines},
          {"ignored", summary.ignoredBytes}}},
    };
    json& opens = out["opens"] = json::array();
    for (const Millis at : summary.opens) {
        opens.push_back(rounded(at));
    }
    json& closes = out["closes"] = json::array();
    for (const Millis at : summary.closes) {
        closes.push_back(rounded(at));
    }
    json& purges = out["purges"] = json::array();
    for (const Purge& purge : summary.purges) {
        purges.push_back({{"at", rounded(purge.at)}, {"withOpen", purge.withOpen}});
    }
    json& settings = out["settings"] = json::array();
    for (const TimedSettings& change : summary.settings) {
        settings.push_back({{"at", rounded(change.at)},
                            {"baud", change.settings.baudRate},
                            {"dataBits", change.settings.dataBits},
                            {"parity", std::string(1, change.settings.parity)},
                            {"stopBits", change.settings.stopBits},
                            {"flow", change.settings.flow}});
    }
    json& commands = out["commands"] = json::array();
    for (const Command& command : summary.commands) {
        commands.push_back({{"at", rounded(command.at)},
                            {"from", command.fromDevice ? "device" : "program"},
                            {"text", command.text},
                            {"note", command.note}});
    }
    json& files = out["files"] = json::array();
    for (const ReceivedFile& file : summary.files) {
        files.push_back({{"bytes", file.bytes.size()},
                         {"lines", file.lines},
                         {"complete", file.complete},
                         {"firstByteAt", rounded(file.firstByteAt)},
                         {"endedAt", rounded(file.endedAt)},
                         {"savedTo", file.savedTo},
                         {"saveError", file.saveError}});
    }
    if (summary.byteGaps || summary.lineGaps) {
        json& pacing = out["pacing"] = json::object();
        if (summary.byteGaps) {
            pacing["byteGapsMs"] = spreadJson(*summary.byteGaps);
        }
        if (summary.lineGaps) {
            pacing["lineGapsMs"] = spreadJson(*summary.lineGaps);
        }
    }
    json& traffic = out["traffic"] = json::array();
    for (const TrafficChunk& chunk : summary.traffic) {
        traffic.push_back({{"at", rounded(chunk.at)},
                           {"from", chunk.fromDevice ? "device" : "program"},
                           {"bytes", escapeBytes(chunk.bytes)}});
    }
    return out.dump(2) + "\n";
}

std::string summaryText(const SimulatorSummary& summary) {
    std::ostringstream out;
    const auto row = [&out](const char* label, const std::string& text) {
        char padded[16];
        std::snprintf(padded, sizeof padded, "  %-12s", label);
        out << padded << text << "\n";
    };
    out << "The " << summary.description << " on " << summary.port << ": exchange "
        << endingKey(summary.ending) << " after " << seconds(summary.endedAt) << " (exit status "
        << summary.exitStatus << ")\n";
    if (!summary.link.empty()) {
        row("link", summary.link);
    }
    if (!summary.registration.empty()) {
        row("registered", summary.registration);
    }
    row("opened", times(summary.opens));
    row("closed", times(summary.closes));
    std::string purges;
    for (const Purge& purge : summary.purges) {
        purges += (purges.empty() ? "" : ", ") + seconds(purge.at) +
                  (purge.withOpen ? " (as it opened)" : "");
    }
    row("purges", purges.empty() ? "none" : purges);
    for (const TimedSettings& change : summary.settings) {
        char parity[2] = {change.settings.parity, 0};
        row("line", seconds(change.at) + "  " + std::to_string(change.settings.baudRate) +
                        " baud, " + std::to_string(change.settings.dataBits) + parity +
                        std::to_string(change.settings.stopBits) + ", flow control " +
                        change.settings.flow);
    }
    row("started", summary.startedAt < 0 ? "never" : seconds(summary.startedAt));
    std::string sent = count(summary.sent.size(), "byte", "bytes") + ", " +
                       count(summary.sentLines, "line", "lines");
    if (summary.heldBytes > 0) {
        sent += "; " + grouped(summary.heldBytes) + " waited for the program to open the port";
    }
    if (summary.noiseBytes > 0) {
        sent += "; " + grouped(summary.noiseBytes) + " of noise";
    }
    row("sent", sent);
    std::string received = count(summary.received.size(), "byte", "bytes") + ", " +
                           count(summary.receivedLines, "line", "lines");
    if (summary.ignoredBytes > 0) {
        received += "; " + grouped(summary.ignoredBytes) + " came while no file was taken";
    }
    row("received", received);
    // Long exchanges show their first and last commands.
    const std::size_t shown = summary.commands.size();
    for (std::size_t i = 0; i < shown; ++i) {
        if (shown > 16 && i == 10) {
            row("", "... " + std::to_string(shown - 15) + " more");
            i = shown - 5;
        }
        const Command& command = summary.commands[i];
        row(command.fromDevice ? "device" : "program",
            seconds(command.at) + "  " + command.text +
                (command.note.empty() ? "" : "  (" + command.note + ")"));
    }
    for (std::size_t i = 0; i < summary.files.size(); ++i) {
        const ReceivedFile& file = summary.files[i];
        std::string text = count(file.bytes.size(), "byte", "bytes") + ", " +
                           count(file.lines, "line", "lines") +
                           (file.complete ? ", complete" : ", incomplete");
        if (!file.savedTo.empty()) {
            text += ", saved to " + file.savedTo;
        }
        if (!file.saveError.empty()) {
            text += ", " + file.saveError;
        }
        row(("file " + std::to_string(i + 1)).c_str(), text);
    }
    if (summary.byteGaps) {
        row("byte gaps", spreadText(*summary.byteGaps) + " (min / median / max)");
    }
    if (summary.lineGaps) {
        row("line gaps", spreadText(*summary.lineGaps) + " (min / median / max)");
    }
    return out.str();
}

} // namespace velmar::sim
