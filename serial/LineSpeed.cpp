#include "serial/LineSpeed.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

namespace velmar {

static_assert(sizeof(struct termios2) <= sizeof(SavedLineSettings::bytes));

namespace {

int getLine(int fd, struct termios2* line) {
    while (::ioctl(fd, TCGETS2, line) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

int putLine(int fd, const struct termios2* line) {
    while (::ioctl(fd, TCSETS2, line) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace

int setCustomLineSpeed(int fd, std::uint32_t baud) {
    struct termios2 line {};
    if (const int error = getLine(fd, &line)) {
        return error;
    }
    line.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    line.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    line.c_ispeed = baud;
    line.c_ospeed = baud;
    return putLine(fd, &line);
}

int readLineSpeed(int fd, std::uint32_t* baud) {
    struct termios2 line {};
    if (const int error = getLine(fd, &line)) {
        return error;
    }
    *baud = line.c_ospeed;
    return 0;
}

int saveLineSettings(int fd, SavedLineSettings* saved) {
    struct termios2 line {};
    if (const int error = getLine(fd, &line)) {
        return error;
    }
    std::memcpy(saved->bytes, &line, sizeof line);
    return 0;
}

int restoreLineSettings(int fd, const SavedLineSettings& saved) {
    struct termios2 line {};
    std::memcpy(&line, saved.bytes, sizeof line);
    return putLine(fd, &line);
}

} // namespace velmar
