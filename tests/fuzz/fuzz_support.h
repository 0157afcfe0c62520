// Shared pieces of the fuzz targets: reading typed values off the input
// bytes, a scratch directory, and the check that turns a broken invariant into a crash that
// libFuzzer (or the corpus replay) reports with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

// Reads values from the front of the input; past the end every read gives
// zeros, so any input is a whole test case.
class CFuzzInput {
public:
    CFuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t Word() { return uint16_t(Byte() | Byte() << 8); }
    int16_t Short() { return int16_t(Word()); }
    uint32_t Dword() { return uint32_t(Word()) | uint32_t(Word()) << 16; }
    int32_t Long() { return int32_t(Dword()); }
    bool Bool() { return Byte() & 1; }
    // Up to `count` bytes.
    std::string Bytes(size_t count)
    {
        const size_t n = count < Left() ? count : Left();
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }
    // Bytes up to the next `separator` (consumed) or the end.
    std::string Field(char separator)
    {
        std::string s;
        while (m_pos < m_size && char(m_data[m_pos]) != separator) s += char(m_data[m_pos++]);
        if (m_pos < m_size) ++m_pos;
        return s;
    }
    std::string Rest() { return Bytes(Left()); }
    size_t Left() const { return m_size - m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A directory of this process's own for the files the inputs write,
// memory-backed when the system has it (every input writes), created empty
// on first use and removed at exit.
inline const std::filesystem::path& FuzzWorkDir(const char* program)
{
    namespace fs = std::filesystem;
    // Removed by its own destructor: an exit handler registered while the
    // path is being made would run after the path is already destroyed.
    struct ScratchDir {
        fs::path path;
        ~ScratchDir()
        {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    };
    static const ScratchDir dir = [program] {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path d = base / (std::string(program) + "-fuzz-" + std::to_string(getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        return ScratchDir{d};
    }();
    return dir.path;
}

// A broken invariant: the message, then abort (a crash for the fuzzer).
#define FUZZ_CHECK(condition, ...)                                                   \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, \
                         #condition);                                                \
            std::fprintf(stderr, __VA_ARGS__);                                       \
            std::fprintf(stderr, "\n");                                              \
            std::abort();                                                            \
        }                                                                            \
    } while (0)

// A byte string shown with escapes, for messages.
inline std::string Printable(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += char(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}
