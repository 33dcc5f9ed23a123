#include "serial/ComSettings.h"

#include <cstddef>

#include "core/ResultCode.h"

namespace velmar {

namespace {

template <typename Table> bool inTable(std::int32_t index, const Table& table) {
    return index >= 0 && static_cast<std::size_t>(index) < table.size();
}

} // namespace

int defaultComSettings(ComSettings* settings, int deviceType) {
    if (settings == nullptr) {
        return kBadArgument;
    }
    settings->portIndex = 0;
    settings->dataBitsIndex = 3;
    settings->parityIndex = 2;
    settings->stopBitsIndex = 0;
    settings->flowIndex = 2;
    if (deviceType == kSeries41 || deviceType == kSeries6) {
        settings->baudIndex = 5;
    } else if (deviceType == kSeries5) {
        settings->baudIndex = 12;
    }
    return kOk;
}

int openConfiguredPort(SerialPort* port, const ComSettings* settings, bool overlapped) {
    if (port == nullptr || settings == nullptr) {
        return kBadArgument;
    }
    if (!inTable(settings->portIndex, kComPortNames)) {
        return kPortOpenFailed;
    }
    return openConfiguredPort(port, kComPortNames[static_cast<std::size_t>(settings->portIndex)],
                              settings, overlapped);
}

int openConfiguredPort(SerialPort* port, const char* portName, const ComSettings* settings,
                       bool overlapped) {
    if (port == nullptr || portName == nullptr || settings == nullptr) {
        return kBadArgument;
    }
    const ComSettings& s = *settings;
    if (port->openPort(portName, 0, 0, overlapped) != ERROR_SUCCESS) {
        return kPortOpenFailed;
    }
    if (!inTable(s.baudIndex, kBaudRates) || !inTable(s.dataBitsIndex, kDataBitsValues) ||
        !inTable(s.parityIndex, kParityValues) || !inTable(s.stopBitsIndex, kStopBitsValues) ||
        port->configure(kBaudRates[static_cast<std::size_t>(s.baudIndex)],
                        kDataBitsValues[static_cast<std::size_t>(s.dataBitsIndex)],
                        kParityValues[static_cast<std::size_t>(s.parityIndex)],
                        kStopBitsValues[static_cast<std::size_t>(s.stopBitsIndex)]) !=
            ERROR_SUCCESS) {
        return kPortLineRefused;
    }
    if (!inTable(s.flowIndex, kFlowValues) ||
        port->setFlowControl(kFlowValues[static_cast<std::size_t>(s.flowIndex)]) != ERROR_SUCCESS) {
        return kPortFlowRefused;
    }
    if (port->setEventCharacter('\n', true) != ERROR_SUCCESS) {
        return kPortEventCharRefused;
    }
    return kPortReady;
}

} // namespace velmar
