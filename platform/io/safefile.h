// Writing files so that a failure never costs the user the file they had.
#pragma once

#include <cstddef>
#include <string>

struct CWriteResult {
    bool ok = false;
    std::string reason; // "cannot write \"PATH\": <the system's reason>"
};

// Replaces `path` with `size` bytes: written beside it under a fresh name
// and renamed into place, so that a failure leaves the old file as it was.
CWriteResult WriteFileSafely(const std::string& path, const void* data, size_t size);
