#pragma once
// The file a device read saves to, replaced atomically: the bytes go to a new temporary file
// beside the target, which is synced and renamed over the target when the receiver ends. Until
// then an earlier file of that name stays as it was.
//
// TO FOLD: core/TextFile's OutputFile is being made atomic in the same way (create, write,
// close, discard, and the clean-up from a signal handler). Once it is, this class goes and the
// read job uses OutputFile; the interface here is kept to its shape for that reason.

#include <cstddef>
#include <string>

#include "core/ResultCode.h"

namespace velmar {

class AtomicOutputFile {
  public:
    AtomicOutputFile() = default;
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;
    ~AtomicOutputFile(); // discards what was not closed

    // Creates the temporary file: 0, or 2 when it cannot be created (the target is a folder or
    // read-only, or its folder is missing or not writable), 3 when memory runs out.
    ResultCode create(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    // Appends bytes exactly as given; false once any write has failed (failures are sticky).
    bool write(const void* bytes, std::size_t count);
    // Flushes, syncs and renames the file over its target: 0, or 1 when a write, the sync or
    // the rename failed (the temporary file is removed and the earlier file kept).
    ResultCode close();
    // Drops what was written; the earlier file stays as it was.
    void discard();

  private:
    bool flush();

    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    std::string buffer_;
    bool failed_ = false;
    int slot_ = -1; // of the clean-up list
};

// Removes the temporary files of the receivers still writing; async-signal-safe, for a command
// that quits at once on a second interrupt.
void removeUnfinishedOutputFiles();

} // namespace velmar
