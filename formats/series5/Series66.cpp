#include "formats/series5/Series5File.h"

namespace velmar {

// The Series 66 family has no file format of its own: the Convert page refuses it before a job
// starts, and this stand-in refuses it again should a job ever reach it.
ResultCode series66Unsupported(const char*, NavDatabase*) {
    return kWriteFailed;
}
ResultCode series66Unsupported(NavDatabase*, const char*) {
    return kWriteFailed;
}

} // namespace velmar
