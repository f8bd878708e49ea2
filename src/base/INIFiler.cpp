// INI parsing, typed readers and the profile-style free functions.
#include "base/INIFiler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "base/fileio.h"

namespace keyloom {

const INIFiler* ini = nullptr;

namespace {

// ---- text decoding -------------------------------------------------------

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

constexpr uint32_t kReplacement = 0xFFFD;

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    auto unit = [&](size_t i) -> uint32_t {
        auto b0 = static_cast<uint8_t>(bytes[i]);
        auto b1 = static_cast<uint8_t>(bytes[i + 1]);
        return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    };
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const size_t units = bytes.size() / 2;
    for (size_t u = 0; u < units; ++u) {
        uint32_t c = unit(2 * u);
        if (c >= 0xD800 && c <= 0xDBFF && u + 1 < units) {
            uint32_t low = unit(2 * (u + 1));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                ++u;
                continue;
            }
        }
        // A surrogate that is not part of a proper pair cannot be written as UTF-8.
        AppendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c);
    }
    if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);  // a dangling half unit
    return out;
}

// ---- trimming ------------------------------------------------------------

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimSpacesAndTabs(std::string_view s) {
    while (!s.empty() && IsSpaceOrTab(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpaceOrTab(s.back())) s.remove_suffix(1);
    return s;
}

// Length of the UTF-8 white-space or line-break character that `s` starts with, or 0.
// The set is Unicode's space separators plus tab, LF, VT, FF, CR, NEL, LS and PS.
size_t WhitespaceAt(std::string_view s) {
    if (s.empty()) return 0;
    auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    uint8_t c = b(0);
    if (c == ' ' || (c >= 0x09 && c <= 0x0D)) return 1;
    if (c == 0xC2 && s.size() >= 2 && (b(1) == 0x85 || b(1) == 0xA0)) return 2;
    if (s.size() < 3) return 0;
    if (c == 0xE1 && b(1) == 0x9A && b(2) == 0x80) return 3;  // U+1680
    if (c == 0xE2 && b(1) == 0x80) {  // U+2000-200A, 2028, 2029, 202F
        const uint8_t t = b(2);
        return ((t >= 0x80 && t <= 0x8A) || t == 0xA8 || t == 0xA9 || t == 0xAF) ? 3 : 0;
    }
    if (c == 0xE2 && b(1) == 0x81 && b(2) == 0x9F) return 3;  // U+205F
    if (c == 0xE3 && b(1) == 0x80 && b(2) == 0x80) return 3;  // U+3000
    return 0;
}

std::string_view TrimWhitespace(std::string_view s) {
    while (size_t n = WhitespaceAt(s)) s.remove_prefix(n);
    for (;;) {
        size_t cut = 0;
        for (size_t k = 1; k <= 3 && k <= s.size() && cut == 0; ++k)
            if (WhitespaceAt(s.substr(s.size() - k)) == k) cut = k;
        if (cut == 0) break;
        s.remove_suffix(cut);
    }
    return s;
}

// ---- parsing -------------------------------------------------------------

void ParseKeyLine(std::string_view line, INISection* current) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || line.find('=', eq + 1) != std::string_view::npos) {
        SysLog("invaild key-value paring: %s", std::string(line).c_str());
        return;
    }
    if (current == nullptr) return;  // keys before the first header are dropped
    std::string key(TrimWhitespace(line.substr(0, eq)));
    current->dct[key] = std::string(TrimWhitespace(line.substr(eq + 1)));
}

void ParseLine(std::string_view line, std::vector<std::unique_ptr<INISection>>& sections,
               INISection*& current) {
    // A NUL byte hides the line or gives it a key nothing looks up: a damaged or crafted file.
    if (line.find('\0') != std::string_view::npos) {
        std::string shown;
        for (char c : line) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        SysLog("a NUL byte in the line: %s", shown.c_str());
    }
    if (line.empty() || line.front() == ';' || line.front() == '\0') return;
    if (line.front() == ' ') {
        // An indented line is always a key line, whatever it starts with once trimmed.
        ParseKeyLine(TrimSpacesAndTabs(line), current);
        return;
    }
    if (line.front() == '[') {
        const size_t close = line.find(']');
        if (close == std::string_view::npos) return;
        auto section = std::make_unique<INISection>();
        section->name = std::string(line.substr(1, close - 1));
        current = section.get();
        sections.push_back(std::move(section));
        return;
    }
    ParseKeyLine(line, current);
}

// ---- number lists --------------------------------------------------------

// Splits `text` (cut to 1023 bytes) at any delimiter and converts each piece in `base`;
// `store` receives each value. Stops at a piece that is not wholly a number, or after
// `limit` values when limit >= 0.
template <typename Store>
int ParseNumberList(const char* text, const char* delimiters, int limit, int base, Store store) {
    if (text == nullptr) return 0;
    char work[1024];
    std::snprintf(work, sizeof work, "%s", text);
    const char* delims = delimiters ? delimiters : "";
    int count = 0;
    char* save = nullptr;
    for (char* piece = strtok_r(work, delims, &save); piece; piece = strtok_r(nullptr, delims, &save)) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(piece, &end, base);
        if (*end != '\0') break;
        if (limit >= 0 && count >= limit) break;
        store(count, value);
        ++count;
    }
    return count;
}

int32_t Low32(unsigned long v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// Reads a value of `ini` into `buffer`; true when it is present and not empty.
bool ReadIniValue(const char* section, const char* key, char* buffer, uint32_t size) {
    GetPrivateProfileString(section, key, "", buffer, size, nullptr);
    return buffer[0] != '\0';
}

// Buffer sizes the readers below use for one value: up to 259 bytes of a
// colour or list, up to 49 bytes of a rectangle or point.
constexpr uint32_t kValueBuffer = 260;
constexpr uint32_t kShapeBuffer = 50;
// A selector or model file is a few kilobytes.
constexpr size_t kMaxIniBytes = 1024 * 1024;

}  // namespace

std::string DecodeTextFile(std::string_view bytes) {
    auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    if (starts("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
    if (starts("\xFF\xFE")) return Utf16ToUtf8(bytes.substr(2), false);
    if (starts("\xFE\xFF")) return Utf16ToUtf8(bytes.substr(2), true);
    return std::string(bytes);
}

// ---- INIFiler ------------------------------------------------------------

bool INIFiler::initIni(const std::string& path, FileError* err) {
    std::optional<std::string> bytes = read_file_within(path, kMaxIniBytes, err);
    if (!bytes) return false;
    initFromBytes(*bytes);
    return true;
}

void INIFiler::initFromBytes(std::string_view bytes) {
    std::string text = DecodeTextFile(bytes);
    std::erase(text, '\r');
    std::vector<std::unique_ptr<INISection>> sections;
    INISection* current = nullptr;
    std::string_view rest(text);
    for (;;) {
        const size_t lf = rest.find('\n');
        ParseLine(rest.substr(0, lf), sections, current);
        if (lf == std::string_view::npos) break;
        rest.remove_prefix(lf + 1);
    }
    content = std::move(sections);
}

const INISection* INIFiler::getSection(const std::string& name) const {
    for (const auto& section : content)
        if (section->name == name) return section.get();
    return nullptr;
}

std::optional<std::string> INIFiler::getStringValue(const std::string& section, const std::string& key) const {
    const INISection* s = getSection(section);
    if (s == nullptr) return std::nullopt;
    auto it = s->dct.find(key);
    if (it == s->dct.end()) return std::nullopt;
    return it->second;
}

int32_t INIFiler::getValueInt(const std::string& section, const std::string& key, int32_t defval,
                              int radix) const {
    auto value = getStringValue(section, key);
    if (!value) return defval;
    return NSStringToInt(*value, value->starts_with("0x") ? 16 : radix);
}

namespace {

// Shared walk of getValueBytes/getValueInts: a piece that does not convert
// completely leaves its slot to be overwritten by the next good piece.
template <typename T>
int ConvertValueList(const std::optional<std::string>& value, int radix, T* data, int size) {
    if (!value || data == nullptr || size <= 0) return 0;
    std::string text = *value;
    std::erase(text, ' ');
    int filled = 0;
    std::string_view rest(text);
    for (;;) {
        const size_t comma = rest.find(',');
        bool ok = false;
        const int32_t v = INIFiler::NSStringToInt(std::string(rest.substr(0, comma)), radix, &ok);
        data[filled] = static_cast<T>(v);
        if (ok && ++filled >= size) break;
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return filled;
}

}  // namespace

int INIFiler::getValueBytes(const std::string& section, const std::string& key, int radix, uint8_t* data,
                            int size) const {
    return ConvertValueList(getStringValue(section, key), radix, data, size);
}

int INIFiler::getValueInts(const std::string& section, const std::string& key, int radix, int32_t* data,
                           int size) const {
    return ConvertValueList(getStringValue(section, key), radix, data, size);
}

int32_t INIFiler::NSStringToInt(const std::string& text, int radix, bool* success) {
    std::string_view s(text);
    if (!s.empty() && s.front() == ' ') s = TrimSpacesAndTabs(s);
    const std::string work(s);
    const int base = (radix == 16 || work.starts_with("0x")) ? 16 : 10;
    char* end = nullptr;
    const unsigned long value = std::strtoul(work.c_str(), &end, base);
    if (success) *success = end == work.c_str() + work.size();
    return Low32(value);
}

void INIFiler::Print() const {
    for (const auto& section : content) {
        SysLog("%s -------", section->name.c_str());
        for (const auto& [key, value] : section->dct) SysLog("    %s=%s", key.c_str(), value.c_str());
    }
}

// ---- profile-style functions on `ini` ------------------------------------

int32_t GetINIValue(const char* section, const char* key, int32_t defval, const INIFiler* file) {
    if (file == nullptr || section == nullptr || key == nullptr) return defval;
    return file->getValueInt(section, key, defval, 10);
}

int32_t GetPrivateProfileInt(const char* section, const char* key, int32_t defval, const char*) {
    return GetINIValue(section, key, defval, ini);
}

int32_t GetPrivateProfileInt_16(const char* section, const char* key, int32_t defval, const char*) {
    if (ini == nullptr || section == nullptr || key == nullptr) return defval;
    return ini->getValueInt(section, key, defval, 16);
}

uint32_t GetPrivateProfileString(const char* section, const char* key, const char*, char* buffer,
                                 uint32_t size, const char*) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    if (ini == nullptr || section == nullptr || key == nullptr) return 0;
    auto value = ini->getStringValue(section, key);
    if (!value) return 0;
    const size_t n = std::min<size_t>(value->size(), size - 1);
    std::memcpy(buffer, value->data(), n);
    buffer[n] = '\0';
    return static_cast<uint32_t>(n);
}

int ParseStringToArray(const char* text, const char* delimiters, uint8_t* data, int size, int base) {
    if (data != nullptr && size <= 0) return 0;
    return ParseNumberList(text, delimiters, data ? size : -1, base, [&](int i, unsigned long v) {
        if (data) data[i] = static_cast<uint8_t>(v);
    });
}

int ParseStringToArray_int(const char* text, const char* delimiters, int32_t* data, int size, int base) {
    if (data != nullptr && size <= 0) return 0;
    return ParseNumberList(text, delimiters, data ? size : -1, base, [&](int i, unsigned long v) {
        if (data) data[i] = Low32(v);
    });
}

uint32_t GetIniColor(const char* section, const char* key, const char*, uint32_t defColor) {
    char buffer[kValueBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return defColor;
    uint8_t rgb[3] = {0, 0, 0};
    ParseStringToArray(buffer, ",", rgb, 3, 10);
    return rgb[0] | rgb[1] << 8 | rgb[2] << 16;
}

int GetIniColorArray(const char* section, const char* key, const char*, uint32_t* colors, int size) {
    constexpr int kMaxBytes = 30;
    char buffer[kValueBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return 0;
    if (colors == nullptr) return 0;
    uint8_t bytes[kMaxBytes] = {};
    ParseStringToArray(buffer, ",", bytes, kMaxBytes, 10);
    // Bytes past the 30 read count as zero, so the list always ends within 10 colours.
    auto byteAt = [&](int k) -> uint32_t { return k < kMaxBytes ? bytes[k] : 0; };
    int count = 0;
    for (int i = 0; i < size; ++i) {
        const uint32_t colour = byteAt(3 * i) | byteAt(3 * i + 1) << 8 | byteAt(3 * i + 2) << 16;
        colors[i] = colour;
        if (colour == 0) break;
        ++count;
    }
    return count;
}

int GetArray(const char* section, const char* key, const char*, uint8_t* data, int size, int base) {
    char buffer[kValueBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return 0;
    return ParseStringToArray(buffer, ",", data, size, base);
}

int GetArray_int(const char* section, const char* key, const char*, int32_t* data, int size, int base) {
    char buffer[kValueBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return 0;
    return ParseStringToArray_int(buffer, ",", data, size, base);
}

bool GetRect(_RECT* rect, const char* section, const char* key, const char*) {
    char buffer[kShapeBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return false;
    int32_t v[4];
    if (ParseStringToArray_int(buffer, ",", v, 4, 10) != 4) {
        MessageBox(nullptr, "Wrong rect num", "Error", 0);
        return false;
    }
    if (rect) *rect = {static_cast<uint32_t>(v[0]), static_cast<uint32_t>(v[1]), static_cast<uint32_t>(v[2]),
                       static_cast<uint32_t>(v[3])};
    return true;
}

bool GetPoint(_POINT* point, uint32_t defX, uint32_t defY, const char* section, const char* key, const char*) {
    if (point) *point = {defX, defY};
    char buffer[kShapeBuffer];
    if (!ReadIniValue(section, key, buffer, sizeof buffer)) return false;
    int32_t v[2];
    if (ParseStringToArray_int(buffer, ",", v, 2, 10) != 2) {
        MessageBox(nullptr, "Wrong POINT num", "Error", 0);
        return false;
    }
    if (point) *point = {static_cast<uint32_t>(v[0]), static_cast<uint32_t>(v[1])};
    return true;
}

}  // namespace keyloom
