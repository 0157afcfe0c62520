// Profile files as the settings and document reader sees them: any bytes
// as a file, every key of the barcode settings read as string and number,
// and the file written back.
// - every value read is at most 2047 bytes;
// - the text the profile would save parses to the same sections, keys and
//   values (loading is stable);
// - a value set, saved and read again comes back as it was set, when it is
//   one line (line breaks are stored as blanks); writing it adds nothing
//   but its key and leaves every other value as it was.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

namespace fs = std::filesystem;

struct Key {
    const char* section;
    const char* key;
};

// What the application keeps in its settings and documents.
constexpr Key kKeys[] = {
    {"BARCODE", "Text"},       {"BARCODE", "Type"},         {"BARCODE", "ShowText"},
    {"BARCODE", "Rotate"},     {"BARCODE", "NotchHeight"},  {"BARCODE", "BorderHeight"},
    {"BARCODE", "BorderWidth"}, {"COLOR", "Fore"},          {"COLOR", "Back"},
    {"FONT", "Charset"},       {"FONT", "Color"},           {"FONT", "Height"},
    {"FONT", "Pitch"},         {"FONT", "Size"},            {"FONT", "Style"},
    {"FONT", "Name"},          {"SIZE", "Height"},          {"SIZE", "Width"},
    {"SIZE", "BitmapHeight"},  {"SIZE", "BitmapWidth"},     {"SIZE", "FixedBitmapSize"},
    {"MISC", "FirstRun"},
};

const fs::path& WorkDir() { return FuzzWorkDir("tessaline-profile"); }

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

using Snapshot = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

// Sections, their keys and values, in file order (first occurrences).
Snapshot Take(const CProfile& p)
{
    Snapshot s;
    for (const std::string& section : p.Sections()) {
        s.push_back({section, {}});
        for (const std::string& key : p.Keys(section)) s.back().second.push_back({key, p.Get(section, key).value_or("\x01")});
    }
    return s;
}

// Names compare without regard to the case of ASCII letters.
bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    const uint8_t which = in.Byte();
    const std::string value = in.Field('\0');
    const std::string file = in.Rest();

    const fs::path path = WorkDir() / "settings.ini";
    WriteFile(path, file);
    CProfile p(path.string());
    FUZZ_CHECK(p.IsLoaded(), "not loaded");

    for (const Key& k : kKeys) {
        const auto v = p.Get(k.section, k.key);
        FUZZ_CHECK(!v || v->size() <= kProfileMaxString, "%s/%s: %zu bytes", k.section, k.key, v->size());
        (void)p.GetInt(k.section, k.key, 989799);
        (void)p.GetString(k.section, k.key, "default");
    }
    const Snapshot before = Take(p);
    for (const auto& [section, keys] : before)
        for (const auto& [key, v] : keys) FUZZ_CHECK(v.size() <= kProfileMaxString, "%zu bytes", v.size());

    // What would be saved reads back the same.
    const fs::path copy = WorkDir() / "copy.ini";
    WriteFile(copy, p.Text());
    FUZZ_CHECK(Take(CProfile(copy.string())) == before, "the saved text reads differently");

    // One value set, saved and read again.
    const Key& k = kKeys[which % std::size(kKeys)];
    p.Set(k.section, k.key, value);
    FUZZ_CHECK(p.SaveAs(copy.string()), "cannot save");
    const CProfile q(copy.string());
    const auto got = q.Get(k.section, k.key);
    FUZZ_CHECK(got.has_value(), "%s/%s missing after writing", k.section, k.key);
    const bool oneLine = value.find_first_of("\r\n") == std::string::npos;
    if (oneLine && value.size() <= kProfileMaxString)
        FUZZ_CHECK(*got == value, "%s/%s written \"%s\", read \"%s\"", k.section, k.key, Printable(value).c_str(),
                   Printable(*got).c_str());
    // Every other value stays as it was, and at most the written key's
    // section is new.
    for (const auto& [section, keys] : before)
        for (const auto& [key, v] : keys)
            if (!SameName(section, k.section) || !SameName(key, k.key))
                FUZZ_CHECK(q.Get(section, key) == v, "%s/%s changed by writing %s/%s", Printable(section).c_str(),
                           Printable(key).c_str(), k.section, k.key);
    FUZZ_CHECK(q.Sections().size() <= before.size() + 1, "writing one value added sections");
    return 0;
}
