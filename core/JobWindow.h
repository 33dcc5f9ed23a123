#pragma once
// How a worker reports to its progress window: it posts a message id with two parameters and
// never waits for the window. The Qt progress dialog, the command line and the tests each
// implement this.

#include <cstdint>

namespace velmar {

inline constexpr unsigned kWmUser = 0x500;
inline constexpr unsigned kMsgConversion = kWmUser;     // wParam 1 after each file, 0 at the end
inline constexpr unsigned kMsgReadResult = kWmUser + 1; // a result line of the read job
inline constexpr unsigned kMsgReadLine = kWmUser + 2;   // one more line received
inline constexpr unsigned kMsgWriteResult =
    kWmUser + 3; // 0 final, 1 file result, 2 ask for file lParam
inline constexpr unsigned kMsgWriteLine = kWmUser + 4; // one more line sent

class JobWindow {
  public:
    virtual ~JobWindow() = default;
    // Called from the worker thread; must not block on the window's thread.
    virtual void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

} // namespace velmar
