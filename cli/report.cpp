#include "cli/report.hpp"

#include <fmt/format.h>

#include "platform/file_system.hpp"

namespace tesk::cli {
namespace {

// What stands in the way of a text output, by its attributes.
std::string_view obstacle(const FileSystem& files, const std::string& path) {
    auto a = files.attributes(path);
    if (!a) return {};
    if (*a & attr::Directory) return "a folder is in the way";
    if (*a & attr::System) return "a link, FIFO or device is in the way";
    if (*a & attr::ReadOnly) return "the file is read-only";
    if (*a & attr::Hidden) return "the file is hidden";
    return {};
}

}   // namespace

std::string numberText(std::int32_t n) {
    switch (n) {
        case number::bitmapTooDeep: return "Bitmap deeper than 16 bits per pixel";
        case number::noSuchResource: return "No bitmap resource of that name";
        case number::unsupportedFile: return "Not a supported type";
        case number::nonStandardFormat: return "Non-standard format";
        case number::damagedArchive: return "Damaged archive";
        case number::memberNotRead: return "Archive member not read";
        default: break;
    }
    if (n > 0 && n < 256 && !errorText(n).empty()) return std::string(errorText(n));
    return fmt::format("Error {}", n);
}

Failure makeFailure(std::string resource, std::string operation, std::int32_t n, std::string_view detail) {
    auto message = numberText(n);
    if (!detail.empty()) message += fmt::format(" ({})", detail);
    return {std::move(resource), std::move(operation), n, std::move(message)};
}

Failure failureFrom(const FailureNote& note) {
    return makeFailure(note.resource, note.operation, note.number, note.detail);
}

std::string failureLine(std::string_view file, const Failure& f) {
    std::string line = fmt::format("tesk: {}: ", file);
    if (!f.resource.empty()) line += fmt::format("{}: ", f.resource);
    if (!f.operation.empty()) line += fmt::format("{}: ", f.operation);
    line += fmt::format("{} {}\n", f.number, f.message);
    return line;
}

std::string failureLine(const Failure& f) { return failureLine(f.resource, {{}, f.operation, f.number, f.message}); }

int exitStatusOf(std::int32_t status) { return status == 0 ? 0 : status > 0 && status < 256 ? status : 1; }

bool textOutputReplaceable(const std::string& path, Failure& failure) {
    NativeFileSystem files;
    if (auto e = checkReplaceable(files, path); e != ErrorNumber::None) {
        failure = makeFailure(path, {}, toInt(e), obstacle(files, path));
        return false;
    }
    return true;
}

bool writeTextOutput(const std::string& path, std::string_view text, Failure& failure) {
    NativeFileSystem files;
    auto bytes = std::span{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
    if (auto e = writeOutputFile(files, path, bytes); e != ErrorNumber::None) {
        failure = makeFailure(path, {}, toInt(e), e == ErrorNumber::PathFileAccessError ? obstacle(files, path) : "");
        return false;
    }
    return true;
}

}   // namespace tesk::cli
