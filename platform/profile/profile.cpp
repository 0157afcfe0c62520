// INI profile files: parsing into lines, first-match look-up, in-place
// editing that keeps every other line, and atomic saving.
#include "platform/profile/profile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/io/safefile.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// At most kProfileMaxString bytes, never splitting a UTF-8 sequence.
std::string Clip(std::string s)
{
    if (s.size() <= kProfileMaxString)
        return s;
    size_t n = kProfileMaxString;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return s;
}

std::string Unquote(const std::string& v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Creates every missing directory of `dir`.
bool MakeDirs(const std::string& dir)
{
    if (dir.empty())
        return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string Directory(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

CProfile::CProfile(const std::string& file) { Load(file); }

std::string CProfile::ResolvePath(const std::string& file)
{
    if (file.find('/') != std::string::npos)
        return file;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/tessaline/" + file;
}

CProfile::Line CProfile::Parse(const std::string& raw)
{
    Line line;
    line.raw = raw;
    const std::string t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
        const size_t close = t.find(']');
        if (close != std::string::npos) {
            line.kind = Line::Section;
            line.name = Trim(t.substr(1, close - 1));
        }
        return line;
    }
    if (t.empty() || t.front() == ';')
        return line;
    const size_t eq = t.find('=');
    if (eq == std::string::npos)
        return line;
    line.kind = Line::Key;
    line.name = Trim(t.substr(0, eq));
    line.value = Unquote(Trim(t.substr(eq + 1)));
    return line;
}

bool CProfile::Load(const std::string& file)
{
    m_path = ResolvePath(file);
    m_lines.clear();
    m_eol.assign(1, '\n');
    m_loaded = false;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        const bool lastLine = nl == std::string::npos;
        if (lastLine)
            nl = text.size();
        std::string raw = text.substr(pos, nl - pos);
        const bool crlf = !raw.empty() && raw.back() == '\r';
        if (crlf)
            raw.pop_back();
        if (first && !lastLine)
            m_eol = crlf ? "\r\n" : "\n";
        first = false;
        m_lines.push_back(Parse(raw));
        pos = nl + 1;
    }
    m_loaded = true;
    return true;
}

std::string CProfile::Text() const
{
    std::string out;
    for (const auto& line : m_lines)
        out += line.raw + m_eol;
    return out;
}

bool CProfile::Save() const
{
    if (m_path.empty())
        return false;
    const std::string dir = Directory(m_path);
    if (!MakeDirs(dir))
        return false;
    // Profiles are ordinary user files: a new one gets the umask's mode,
    // an existing one keeps its owner, mode and links.
    const std::string text = Text();
    return WriteFileSafely(m_path, text.data(), text.size()).ok;
}

bool CProfile::SaveAs(const std::string& file)
{
    m_path = ResolvePath(file);
    return Save();
}

long CProfile::FindSection(const std::string& section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Section && SameName(m_lines[i].name, section))
            return long(i);
    return -1;
}

size_t CProfile::SectionEnd(size_t start) const
{
    size_t i = start + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Section)
        ++i;
    return i;
}

long CProfile::FindKey(const std::string& section, const std::string& key) const
{
    const long s = FindSection(section);
    if (s < 0)
        return -1;
    const size_t end = SectionEnd(size_t(s));
    for (size_t i = size_t(s) + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Key && SameName(m_lines[i].name, key))
            return long(i);
    return -1;
}

std::optional<std::string> CProfile::Get(const std::string& section, const std::string& key) const
{
    const long k = FindKey(section, key);
    if (k < 0)
        return std::nullopt;
    return Clip(m_lines[size_t(k)].value);
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    return Get(section, key).value_or(Clip(defaultValue));
}

int32_t CProfile::GetInt(const std::string& section, const std::string& key, int32_t defaultValue) const
{
    const auto v = Get(section, key);
    if (!v)
        return defaultValue;
    const std::string& s = *v;
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    int64_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        n = n * 10 + (s[i] - '0');
        if (n > int64_t(UINT32_MAX))
            n = int64_t(UINT32_MAX); // saturate instead of overflowing
    }
    if (negative)
        n = -n;
    return int32_t(uint32_t(n)); // the platform's 32-bit wrap
}

bool CProfile::HasSection(const std::string& section) const { return FindSection(section) >= 0; }

std::vector<std::string> CProfile::Sections() const
{
    std::vector<std::string> names;
    for (const auto& line : m_lines) {
        if (line.kind != Line::Section)
            continue;
        bool seen = false;
        for (const auto& n : names)
            seen = seen || SameName(n, line.name);
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string> CProfile::Keys(const std::string& section) const
{
    std::vector<std::string> names;
    const long s = FindSection(section);
    if (s < 0)
        return names;
    const size_t end = SectionEnd(size_t(s));
    for (size_t i = size_t(s) + 1; i < end; ++i) {
        if (m_lines[i].kind != Line::Key)
            continue;
        bool seen = false;
        for (const auto& n : names)
            seen = seen || SameName(n, m_lines[i].name);
        if (!seen)
            names.push_back(m_lines[i].name);
    }
    return names;
}

void CProfile::Set(const std::string& section, const std::string& key, const std::string& value)
{
    // A line break would split the entry and plant foreign lines in the
    // file: it is stored as a blank.
    std::string flat = value;
    for (char& c : flat)
        if (c == '\n' || c == '\r')
            c = ' ';
    // Reading trims blanks and drops a pair of enclosing quotes: a value
    // that has either is written quoted, so that it reads back as set.
    const bool quote = !flat.empty() && (IsBlank(flat.front()) || IsBlank(flat.back()) || Unquote(flat) != flat);
    if (quote)
        flat = "\"" + flat + "\"";
    Line line = Parse(key + "=" + flat);
    if (const long k = FindKey(section, key); k >= 0) {
        m_lines[size_t(k)] = std::move(line);
        return;
    }
    long s = FindSection(section);
    if (s < 0) {
        m_lines.push_back(Parse("[" + section + "]"));
        m_lines.push_back(std::move(line));
        return;
    }
    // After the section's last key line, before trailing blank or comment
    // lines that belong to the layout around the next section.
    size_t at = size_t(s) + 1;
    const size_t end = SectionEnd(size_t(s));
    for (size_t i = size_t(s) + 1; i < end; ++i)
        if (m_lines[i].kind == Line::Key)
            at = i + 1;
    m_lines.insert(m_lines.begin() + long(at), std::move(line));
}

void CProfile::SetInt(const std::string& section, const std::string& key, int32_t value)
{
    Set(section, key, std::to_string(value));
}

bool CProfile::Delete(const std::string& section, const std::string& key)
{
    const long k = FindKey(section, key);
    if (k < 0)
        return false;
    m_lines.erase(m_lines.begin() + k);
    return true;
}

bool CProfile::DeleteSection(const std::string& section)
{
    const long s = FindSection(section);
    if (s < 0)
        return false;
    m_lines.erase(m_lines.begin() + s, m_lines.begin() + long(SectionEnd(size_t(s))));
    return true;
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& file)
{
    return CProfile(file).GetString(section, key, defaultValue);
}

int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                             const std::string& file)
{
    return CProfile(file).GetInt(section, key, defaultValue);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& file)
{
    if (!section)
        return false;
    CProfile profile(file);
    if (!key)
        profile.DeleteSection(section);
    else if (!value)
        profile.Delete(section, key);
    else
        profile.Set(section, key, value);
    return profile.Save();
}
