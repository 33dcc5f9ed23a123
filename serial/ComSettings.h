#pragma once
// The six choices of a port setting that a Read or Write page keeps and the COM settings
// dialog edits, as positions in their lists; the tables that turn them into line parameters;
// the defaults per device type; and the opening of a port for a transfer.

#include <array>
#include <cstdint>

#include "core/TypeIndex.h"
#include "serial/SerialPort.h"

namespace velmar {

struct ComSettings {
    std::int32_t portIndex = 0;     // 0..8: "COM1".."COM9"
    std::int32_t baudIndex = 0;     // 0..14: kBaudRates
    std::int32_t dataBitsIndex = 0; // 0..3: 5..8 data bits
    std::int32_t parityIndex = 0;   // 0..4: even, odd, none, mark, space
    std::int32_t stopBitsIndex = 0; // 0..2: 1, 1.5, 2
    std::int32_t flowIndex = 0;     // 0..2: XON/XOFF, hardware, none
};

inline constexpr std::array<const char*, 9> kComPortNames = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                                             "COM6", "COM7", "COM8", "COM9"};
inline constexpr std::array<std::uint32_t, 15> kBaudRates = {110,   300,   600,    1200,   2400,
                                                             4800,  9600,  14400,  19200,  38400,
                                                             56000, 57600, 115200, 128000, 256000};
inline constexpr std::array<std::uint8_t, 4> kDataBitsValues = {5, 6, 7, 8};
inline constexpr std::array<std::uint8_t, 5> kParityValues = {EVENPARITY, ODDPARITY, NOPARITY,
                                                              MARKPARITY, SPACEPARITY};
inline constexpr std::array<std::uint8_t, 3> kStopBitsValues = {ONESTOPBIT, ONE5STOPBITS,
                                                                TWOSTOPBITS};
inline constexpr std::array<FlowControl, 3> kFlowValues = {
    FlowControl::XonXoff, FlowControl::Hardware, FlowControl::None};

// COM1, 8 data bits, no parity, one stop bit, no flow control; 4800 bits per second for
// Series 41 and Series 6, 115200 for Series 5, the baud index kept for other types. 0, or 5
// without settings.
int defaultComSettings(ComSettings* settings, int deviceType);

// Results of openConfiguredPort.
inline constexpr int kPortReady = 0;
inline constexpr int kPortOpenFailed = 1;
inline constexpr int kPortLineRefused = 2;
inline constexpr int kPortFlowRefused = 3;
inline constexpr int kPortEventCharRefused = 4;

// Opens the port of `settings` and configures it: line parameters, flow control, and the line
// feed as event character (so a received line fires EV_RXFLAG). A port that fails after it
// was opened stays open; the SerialPort closes it when destroyed. An index outside its table
// fails the step that needs it. 5 without a port or settings.
int openConfiguredPort(SerialPort* port, const ComSettings* settings, bool overlapped);
// The same with the port named by `portName` ("COM3" or a device path) instead of `portIndex`.
int openConfiguredPort(SerialPort* port, const char* portName, const ComSettings* settings,
                       bool overlapped);

} // namespace velmar
