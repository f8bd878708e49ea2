// The diagnostic trace: one sink chosen at start (discard, system log, or
// "log.txt" on the desktop), plus bounded formatting and hex-dump helpers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace keyloom {

using LogFunc = void (*)(const char* fmt, ...);

extern int32_t g_bDebug;
extern LogFunc LOG;           // the current sink; discards until InitDebug runs
extern char szLogFile[260];   // "<desktop>/log.txt", empty without a desktop

void InitDebug(int level);
// The sink chosen on the command line, over the configured one: "off",
// "syslog", "file" (log.txt on the desktop) or "stderr". False for any other
// name, which changes nothing; an empty name keeps the configured sink.
bool SetLogLevel(const std::string& name);
void LogToStderr(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogToNULL(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogToFile(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void LogToSyslog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Lines the program always sends to the system log, whatever the level.
void SysLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Replaces the system-log target (tests and keyloomctl capture it).
void SetSysLogSink(LogFunc sink);

int _snprintf(char* buffer, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
void PrintToBuffer(char* buffer, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
int PrintArrayToBuffer_Byte(char* buffer, size_t size, const uint8_t* data, int count, const char* prefix,
                            int base);
int PrintArrayToBuffer_Int(char* buffer, size_t size, const int32_t* data, int count, const char* prefix,
                           int base);
// Bytes as lower-case hex digits without separators ("0a1b...").
std::string HexString(const uint8_t* bytes, size_t count);
void printdata(const uint8_t* data, size_t size);
void printdata_prefix(const uint8_t* data, size_t size, int perLine, const char* prefix);
void printdata_prefix_ex(const uint8_t* data, size_t size, int perLine, int groupSize, const char* prefix);

}  // namespace keyloom
