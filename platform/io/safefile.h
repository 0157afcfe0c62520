// Saving files so that a failure keeps what the user had.
//
// WriteFileSafely replaces the contents of `path`:
// - A symbolic link is followed to its final target, which is written; the
//   link stays a link.
// - An existing regular file keeps its owner, mode and hard links. It is
//   normally replaced by a complete temporary file renamed over it; when
//   that cannot keep it as it was (other hard links, an owner we cannot
//   give the new file, a folder we may not write), the new contents are
//   completed first and then copied over the file in place.
// - Devices, FIFOs and other files that are not regular (/dev/stdout,
//   /dev/null) are written directly.
// - A new file gets the mode 0666 less the umask.
// - Temporary files are created exclusively, never through a link, under a
//   short name (".tl-" and six characters) in the target's folder, so that
//   any legal file name can be saved.
// - File and folder are flushed to disk before success is reported. On
//   failure the temporary file is removed, the old file is left as it was
//   and the reason carries the system's message.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct CWriteResult {
    bool ok = false;
    // On failure: "cannot write \"PATH\": <the system's message>".
    std::string reason;
};

// Replaces `path` with the `size` bytes at `data`.
CWriteResult WriteFileSafely(const std::string& path, const void* data, size_t size);
// Replaces `path` with what `produce` writes to the descriptor it is given
// (sequentially, without seeking or closing it); `produce` returns false
// on error, leaving errno set when it can. The descriptor may be a pipe or
// a device when the target is one.
CWriteResult WriteFileSafely(const std::string& path, const std::function<bool(int fd)>& produce);

// Unlinks every temporary file this process has in flight. Async-signal-
// safe: meant for SIGINT and SIGTERM handlers that then end the process.
void RemoveTemporaryFilesInFlight() noexcept;

// Removes the temporary files that processes which no longer run left in
// `folder` (a kill in the instant between naming a new file and renaming
// it into place); those of running processes stay.
void RemoveStaleTemporaryFiles(const std::string& folder);
