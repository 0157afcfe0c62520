// Profile (INI) files with the Windows profile rules.
//
//   [Section]
//   Key=Value
//
// - Section and key names compare case-insensitively (ASCII letters); the
//   first matching section and, within it, the first matching key win.
// - Names and values are trimmed of blanks; a value enclosed in a pair of
//   matching quotes ('...' or "...") is read without them.
// - A value read is at most 2047 bytes long (cut at a UTF-8 character
//   boundary), as through the platform's 2048-byte buffers.
// - Writing changes only the line of the key (or appends it to the end of
//   the first matching section, or appends a new section at the end of the
//   file); every other line, comments and blank lines included, is kept as
//   it was, with the file's own line ends.
// - Files are saved with WriteFileSafely: the whole text replaces the file
//   only when it was completely written (a link is followed, owner, mode
//   and hard links are kept). A failed save leaves the previous file
//   untouched.
// - A bare file name (no '/') lives in the per-user configuration directory
//   ${XDG_CONFIG_HOME:-~/.config}/tessaline/; any other path is used as given.
//
// Texts are UTF-8 (files written by this system) or bytes as found.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kProfileMaxString = 2047;

class CProfile {
public:
    CProfile() = default;
    // Reads `file` (resolved with ResolvePath). A missing file gives an
    // empty profile; IsLoaded() tells whether a file was read.
    explicit CProfile(const std::string& file);

    // The path a profile name stands for (see above).
    static std::string ResolvePath(const std::string& file);

    // Reads the file again; false (and an empty profile) when it could not
    // be read.
    bool Load(const std::string& file);
    bool IsLoaded() const { return m_loaded; }
    const std::string& Path() const { return m_path; }

    // Writes to Path() (or `file`), creating the directory when needed.
    bool Save() const;
    bool SaveAs(const std::string& file);

    // --- reading -------------------------------------------------------
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    // The leading decimal number of the value (an optional sign, then
    // digits; 0 when there is none); `defaultValue` when the key is absent.
    int32_t GetInt(const std::string& section, const std::string& key, int32_t defaultValue) const;
    bool HasSection(const std::string& section) const;
    // Section names and the key names of a section, first occurrences, in
    // file order.
    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(const std::string& section) const;

    // --- writing (in memory until Save) -----------------------------------
    void Set(const std::string& section, const std::string& key, const std::string& value);
    void SetInt(const std::string& section, const std::string& key, int32_t value);
    // Removes the first matching key; false when there was none.
    bool Delete(const std::string& section, const std::string& key);
    // Removes the first matching section with all its lines.
    bool DeleteSection(const std::string& section);

    // The file's text as it would be saved.
    std::string Text() const;

private:
    struct Line {
        std::string raw;   // as in the file, without the line end
        enum Kind { Other, Section, Key } kind = Other;
        std::string name;  // section or key name, trimmed
        std::string value; // key value, trimmed and unquoted
    };
    static Line Parse(const std::string& raw);
    // Index of the first line of the first matching section, or -1.
    long FindSection(const std::string& section) const;
    // End (exclusive) of the section that starts at `start`.
    size_t SectionEnd(size_t start) const;
    long FindKey(const std::string& section, const std::string& key) const;

    std::vector<Line> m_lines;
    std::string m_path;
    std::string m_eol = "\n";
    bool m_loaded = false;
};

// One-shot helpers in the platform's shape: each reads the file, and the
// writers save it at once.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file);
int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                             const std::string& file);
// `key` nullptr removes the section, `value` nullptr removes the key.
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& file);
