#include "platform/error_number.hpp"

#include <cerrno>

namespace tesk {

std::string_view errorText(std::int32_t number) {
    if (number < 0 || number > 255) number = 0;
    switch (number) {
        case 0: return "No Error";
        case 5: return "Illegal function call";
        case 6: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript/Pointer out of range";
        case 11: return "Division by zero";
        case 24: return "Device timeout";
        case 51: return "Internal error";
        case 52: return "Bad file name or number";
        case 53: return "File not found";
        case 54: return "Bad file mode";
        case 55: return "File is open";
        case 57: return "Device I/O error";
        case 58: return "File already exists";
        case 61: return "Disk full";
        case 62: return "Input past end";
        case 63: return "Bad record number";
        case 64: return "Bad file name";
        case 67: return "Too many files";
        case 68: return "Device unavailable";
        case 69: return "Comm error";
        case 70: return "Permission denied";
        case 71: return "Disk not ready";
        case 72: return "Disk media error";
        case 74: return "Rename across disks";
        case 75: return "Path/file access error";
        case 76: return "Path not found";
        case 99: return "Object error";
        case 241: return "Global memory corrupt";
        case 242: return "String space corrupt";
        default: return "";
    }
}

ErrorNumber errorFromErrno(int err) {
    switch (err) {
        case 0: return ErrorNumber::None;
        case ENOENT: return ErrorNumber::FileNotFound;
        case ENOTDIR: return ErrorNumber::PathNotFound;
        case EACCES:
        case EPERM:
        case EROFS: return ErrorNumber::PermissionDenied;
        case ENOSPC:
#if defined(EDQUOT)   // not in every C library (mingw-w64 lacks it)
        case EDQUOT:
#endif
        case EFBIG: return ErrorNumber::DiskFull;
        case EEXIST: return ErrorNumber::FileAlreadyExists;
        case EISDIR:
        case ELOOP:
        case ETXTBSY: return ErrorNumber::PathFileAccessError;
        case ENAMETOOLONG:
        case EINVAL: return ErrorNumber::BadFileName;
        case EMFILE:
        case ENFILE: return ErrorNumber::TooManyFiles;
        case ENOMEM: return ErrorNumber::OutOfMemory;
        case EXDEV: return ErrorNumber::RenameAcrossDisks;
        case EBUSY: return ErrorNumber::FileIsOpen;
        default: return ErrorNumber::DeviceIoError;
    }
}

}   // namespace tesk
