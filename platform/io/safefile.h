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
#include <vector>

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

// Writes many new files, as a batch makes them, at a fraction of the cost
// of WriteFileSafely a file: each file is created exclusively under its
// name, which refuses any name that is taken (an existing file is then the
// caller's to replace, with WriteFileSafely, so that it keeps everything
// WriteFileSafely keeps); a file that fails or is cut short by a signal
// ending the batch is removed. New files are flushed to disk
// together by Flush, one flush a file system instead of two a file; until
// then a crash may lose new files, never an old one. One writer per thread.
class CNewFileWriter {
public:
    enum class Result { Written, NotNew, Failed };

    CNewFileWriter() = default;
    ~CNewFileWriter();
    CNewFileWriter(const CNewFileWriter&) = delete;
    CNewFileWriter& operator=(const CNewFileWriter&) = delete;

    // Creates `path` with the `size` bytes at `data`. NotNew: something
    // has that name (a file, a link, a folder) and nothing was written;
    // Failed: `reason` says why, as WriteFileSafely's do.
    Result Write(const std::string& path, const void* data, size_t size, std::string& reason);
    // Flushes every file system this writer wrote new files to; false with
    // `reason` when one could not be flushed. Call it (on every writer of
    // the batch) before reporting the files as saved.
    bool Flush(std::string& reason);

private:
    int FolderFd(const std::string& folder);
    std::string m_folder;        // the folder m_folderFd is open on
    int m_folderFd = -1;
    std::vector<int> m_toFlush;  // one descriptor a file system written to
};
