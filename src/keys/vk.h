// Key code tables and conversions between the three numberings that meet in
// the program: Windows virtual-key numbers (how the device configuration file
// names keys), host key codes (what every stored key code is) and USB HID
// keyboard usages (what the keyboard sends and what its tables hold).
//
// Host key codes are the macOS virtual key codes (0 = A, 36 = Return, ...)
// plus our own extensions VK_FN, VK_INSERT, VK_SCROLL_LOCK, VK_PAUSE and
// VK_NONE (model/keyinfo.h). Everything here is constant data and pure
// functions: no state, no allocation.
#pragma once
#include <cstdint>

#include "model/keyinfo.h"

namespace keyloom {

// One row of a key code table: a foreign code and the host key code it maps to.
struct VkPair {
    uint8_t code;  // Windows virtual-key number (WM_VK) or HID usage (POS_VK)
    uint8_t vk;    // host key code
};

constexpr int WM_VK_COUNT = 106;
constexpr int POS_VK_COUNT = 105;

// Windows virtual-key number -> host key code. Searched front to back.
// Keypad Enter has no Windows number of its own; 0xFD stands for it.
inline constexpr VkPair WM_VK[WM_VK_COUNT] = {
    {0xE2, 10},  {0x1B, 53},  {0x70, 122}, {0x71, 120}, {0x72, 99},  {0x73, 118}, {0x74, 96},  {0x75, 97},
    {0x76, 98},  {0x77, 100}, {0x78, 101}, {0x79, 109}, {0x7A, 103}, {0x7B, 111},                // § Esc F1..F12
    {0x41, 0},   {0x42, 11},  {0x43, 8},   {0x44, 2},   {0x45, 14},  {0x46, 3},   {0x47, 5},   {0x48, 4},
    {0x49, 34},  {0x4A, 38},  {0x4B, 40},  {0x4C, 37},  {0x4D, 46},  {0x4E, 45},  {0x4F, 31},  {0x50, 35},
    {0x51, 12},  {0x52, 15},  {0x53, 1},   {0x54, 17},  {0x55, 32},  {0x56, 9},   {0x57, 13},  {0x58, 7},
    {0x59, 16},  {0x5A, 6},                                                                      // A..Z
    {0x31, 18},  {0x32, 19},  {0x33, 20},  {0x34, 21},  {0x35, 23},  {0x36, 22},  {0x37, 26},  {0x38, 28},
    {0x39, 25},  {0x30, 29},                                                                     // 1..9 0
    {0x09, 48},  {0x14, 57},  {0x0D, 36},  {0x08, 51},  {0x20, 49},                              // Tab Caps Ret BS Sp
    {0xDB, 33},  {0xDD, 30},  {0xDC, 42},  {0xBA, 41},  {0xDE, 39},  {0xBC, 43},  {0xBE, 47},  {0xBF, 44},
    {0xC0, 50},  {0xBB, 24},  {0xBD, 27},                                                        // [ ] \ ; ' , . / ` = -
    {0x2C, 105}, {0x91, 252}, {0x13, 253}, {0x2D, 251}, {0x24, 115}, {0x21, 116}, {0x2E, 117}, {0x23, 119},
    {0x22, 121},                                                                                 // PrtSc..PgDn
    {0x26, 126}, {0x28, 125}, {0x25, 123}, {0x27, 124},                                          // Up Down Left Right
    {0x61, 83},  {0x62, 84},  {0x63, 85},  {0x64, 86},  {0x65, 87},  {0x66, 88},  {0x67, 89},  {0x68, 91},
    {0x69, 92},  {0x60, 82},                                                                     // Keypad 1..9 0
    {0x6B, 69},  {0x6D, 78},  {0x6A, 67},  {0x6F, 75},  {0x90, 71},  {0xFD, 76},  {0x6E, 65},    // Keypad + - * / Num Ent .
    {0xA2, 59},  {0xA0, 56},  {0xA4, 58},  {0x5B, 55},  {0xA3, 62},  {0xA1, 60},  {0xA5, 61},  {0x5C, 54},
    {0x5D, 110},                                                                                 // modifiers, Menu
    {0xFA, 250},                                                                                 // Fn
};

// HID keyboard usage -> host key code: the same keys in the same order as the
// first 105 rows of WM_VK (Fn has no HID usage).
inline constexpr VkPair POS_VK[POS_VK_COUNT] = {
    {0x64, 10},  {0x29, 53},  {0x3A, 122}, {0x3B, 120}, {0x3C, 99},  {0x3D, 118}, {0x3E, 96},  {0x3F, 97},
    {0x40, 98},  {0x41, 100}, {0x42, 101}, {0x43, 109}, {0x44, 103}, {0x45, 111},
    {0x04, 0},   {0x05, 11},  {0x06, 8},   {0x07, 2},   {0x08, 14},  {0x09, 3},   {0x0A, 5},   {0x0B, 4},
    {0x0C, 34},  {0x0D, 38},  {0x0E, 40},  {0x0F, 37},  {0x10, 46},  {0x11, 45},  {0x12, 31},  {0x13, 35},
    {0x14, 12},  {0x15, 15},  {0x16, 1},   {0x17, 17},  {0x18, 32},  {0x19, 9},   {0x1A, 13},  {0x1B, 7},
    {0x1C, 16},  {0x1D, 6},
    {0x1E, 18},  {0x1F, 19},  {0x20, 20},  {0x21, 21},  {0x22, 23},  {0x23, 22},  {0x24, 26},  {0x25, 28},
    {0x26, 25},  {0x27, 29},
    {0x2B, 48},  {0x39, 57},  {0x28, 36},  {0x2A, 51},  {0x2C, 49},
    {0x2F, 33},  {0x30, 30},  {0x31, 42},  {0x33, 41},  {0x34, 39},  {0x36, 43},  {0x37, 47},  {0x38, 44},
    {0x35, 50},  {0x2E, 24},  {0x2D, 27},
    {0x46, 105}, {0x47, 252}, {0x48, 253}, {0x49, 251}, {0x4A, 115}, {0x4B, 116}, {0x4C, 117}, {0x4D, 119},
    {0x4E, 121},
    {0x52, 126}, {0x51, 125}, {0x50, 123}, {0x4F, 124},
    {0x59, 83},  {0x5A, 84},  {0x5B, 85},  {0x5C, 86},  {0x5D, 87},  {0x5E, 88},  {0x5F, 89},  {0x60, 91},
    {0x61, 92},  {0x62, 82},
    {0x57, 69},  {0x56, 78},  {0x55, 67},  {0x54, 75},  {0x53, 71},  {0x58, 76},  {0x63, 65},
    {0xE0, 59},  {0xE1, 56},  {0xE2, 58},  {0xE3, 55},  {0xE4, 62},  {0xE5, 60},  {0xE6, 61},  {0xE7, 54},
    {0x65, 110},
};

// Windows virtual-key number -> host key code; only the low 8 bits of the
// argument count. VK_NONE (255) when the number is not in WM_VK.
int Win2Mac(int winVk);
// HID usage -> host key code; 0 when not found (0 is also the code of A).
int Hid2Vk(int hidUsage);
// Host key code -> HID usage; 0 when not found (so VK_FN and VK_NONE give 0).
int Vk2Hid(int vk);

// The single host key code standing for a key assignment: the first key when
// there is no modifier, else the first modifier in the order left Control,
// right Control, left Shift, right Shift, left Alt, right Alt, left GUI,
// right GUI. 0 for a record that is not a key assignment or has neither.
int KeyInfo_To_Vk(const _KEYINFO& key);

// Keyboard layouts, as the KbType option numbers them.
constexpr int KB_TYPE_US = 0;
constexpr int KB_TYPE_GERMAN = 1;
constexpr int KB_TYPE_FRENCH = 2;
constexpr int KB_TYPE_SPANISH = 3;

// Layout conversion. Each works on the low 8 bits of its argument and is a
// permutation of 0..255: the converter towards US undoes the one from US
// exactly, codes a layout does not move come back unchanged.
int ConvertVk_US_To_DE(int vk);
int ConvertVk_DE_To_US(int vk);
int ConvertVk_US_To_FR(int vk);
int ConvertVk_FR_To_US(int vk);
int ConvertVk_US_To_SP(int vk);
int ConvertVk_SP_To_US(int vk);

// Converters picked by a layout number (KB_TYPE_*); any unknown layout is US
// and returns the low 8 bits unchanged.
int OtherVk_To_UsVk(int vk, int kbType);
int UsVk_To_OtherVk(int vk, int kbType);

}  // namespace keyloom
