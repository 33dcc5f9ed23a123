#pragma once
// Line speeds through the kernel's termios2 interface, which takes any rate (BOTHER): the
// rates without a B-constant (14400, 56000, 128000, 256000) are set here. Its header cannot
// be included beside <termios.h>, so it lives in a file of its own.

#include <cstdint>

namespace velmar {

// Sets both speeds of the line to `baud`. 0 or the errno.
int setCustomLineSpeed(int fd, std::uint32_t baud);
// The output speed the kernel holds for the line. 0 or the errno.
int readLineSpeed(int fd, std::uint32_t* baud);

// A whole copy of the kernel's line settings, speeds included, to put back after a refusal.
struct SavedLineSettings {
    alignas(8) unsigned char bytes[64] = {};
};
int saveLineSettings(int fd, SavedLineSettings* saved);
int restoreLineSettings(int fd, const SavedLineSettings& saved);

} // namespace velmar
