// INI files: a parser into named sections of key/value texts, typed readers on
// top, and the profile-style free functions that read the global `ini`.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"

namespace keyloom {

struct INISection {
    std::string name;
    std::map<std::string, std::string> dct;  // keys compare exactly
};

struct FileError;

class INIFiler {
public:
    // Reads and parses a file (UTF-8, UTF-8 with BOM, UTF-16 LE/BE with BOM).
    // False when it cannot be read (err says why: also for anything but a
    // regular file, or one over 1 MiB); `content` then stays as it was.
    bool initIni(const std::string& path, FileError* err = nullptr);
    // Parses raw file bytes; always succeeds.
    void initFromBytes(std::string_view bytes);

    const INISection* getSection(const std::string& name) const;
    std::optional<std::string> getStringValue(const std::string& section, const std::string& key) const;
    int32_t getValueInt(const std::string& section, const std::string& key, int32_t defval, int radix) const;
    int getValueBytes(const std::string& section, const std::string& key, int radix, uint8_t* data,
                      int size) const;
    int getValueInts(const std::string& section, const std::string& key, int radix, int32_t* data,
                     int size) const;
    static int32_t NSStringToInt(const std::string& text, int radix, bool* success = nullptr);
    // Writes every section and key to the system log.
    void Print() const;

    std::vector<std::unique_ptr<INISection>> content;  // file order
};

// Turns file bytes into UTF-8 text, detecting a BOM (UTF-8, UTF-16 LE/BE).
std::string DecodeTextFile(std::string_view bytes);

// The parsed file the profile-style readers below work on; null outside reading.
extern const INIFiler* ini;

int32_t GetINIValue(const char* section, const char* key, int32_t defval, const INIFiler* file);
int32_t GetPrivateProfileInt(const char* section, const char* key, int32_t defval, const char* fileName);
int32_t GetPrivateProfileInt_16(const char* section, const char* key, int32_t defval, const char* fileName);
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defText, char* buffer,
                                 uint32_t size, const char* fileName);
int ParseStringToArray(const char* text, const char* delimiters, uint8_t* data, int size, int base);
int ParseStringToArray_int(const char* text, const char* delimiters, int32_t* data, int size, int base);
uint32_t GetIniColor(const char* section, const char* key, const char* fileName, uint32_t defColor);
int GetIniColorArray(const char* section, const char* key, const char* fileName, uint32_t* colors, int size);
int GetArray(const char* section, const char* key, const char* fileName, uint8_t* data, int size, int base);
int GetArray_int(const char* section, const char* key, const char* fileName, int32_t* data, int size, int base);
bool GetRect(_RECT* rect, const char* section, const char* key, const char* fileName);
bool GetPoint(_POINT* point, uint32_t defX, uint32_t defY, const char* section, const char* key,
              const char* fileName);

}  // namespace keyloom
