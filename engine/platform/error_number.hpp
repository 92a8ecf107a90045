// The one numbering of failures shared by the library's status values, its error record and its
// messages. The numbers and texts are fixed: callers and users rely on them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tesk {

enum class ErrorNumber : std::int32_t {
    None = 0,
    IllegalFunctionCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    DeviceTimeout = 24,
    InternalError = 51,
    BadFileNameOrNumber = 52,
    FileNotFound = 53,
    BadFileMode = 54,
    FileIsOpen = 55,
    DeviceIoError = 57,
    FileAlreadyExists = 58,
    DiskFull = 61,
    InputPastEnd = 62,
    BadRecordNumber = 63,
    BadFileName = 64,
    TooManyFiles = 67,
    DeviceUnavailable = 68,
    CommError = 69,
    PermissionDenied = 70,
    DiskNotReady = 71,
    DiskMediaError = 72,
    RenameAcrossDisks = 74,
    PathFileAccessError = 75,
    PathNotFound = 76,
    ObjectError = 99,
    GlobalMemoryCorrupt = 241,
    StringSpaceCorrupt = 242,
    BitmapTooDeep = 1000,   // a bitmap's pixel size is above 16
};

constexpr std::int32_t toInt(ErrorNumber e) { return static_cast<std::int32_t>(e); }

// The text of an error number for messages: numbers above 255 (and negative ones) read as 0,
// "No Error"; an unlisted number up to 255 has an empty text.
std::string_view errorText(std::int32_t number);

// Maps an errno value from a failed file operation onto the table's vocabulary.
ErrorNumber errorFromErrno(int err);

// The same for a Win32 error code from GetLastError (Windows builds only).
ErrorNumber errorFromWin32(std::uint32_t code);

}   // namespace tesk
