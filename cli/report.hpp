// What the command says about failures: its own numbers beyond the library's table, a text for
// every number, one line per failure on stderr, and the exit status a number becomes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "driver/extraction_context.hpp"

namespace tesk::cli {

// Numbers the command reports beyond the library's table (1000 is the library's own).
namespace number {
inline constexpr std::int32_t bitmapTooDeep = 1000;
inline constexpr std::int32_t noSuchResource = 1001;      // --only names no bitmap resource of the database
inline constexpr std::int32_t unsupportedFile = 1002;     // refused: not a Palm resource database
inline constexpr std::int32_t nonStandardFormat = 1003;   // refused part-way: a resource it cannot name
inline constexpr std::int32_t damagedArchive = 1004;      // libarchive cannot read on in an archive
inline constexpr std::int32_t memberNotRead = 1005;       // an archive member refused: a link, "..", its size
}   // namespace number

// One failure as the command reports it.
struct Failure {
    std::string resource;    // the resource or path it concerns, or empty
    std::string operation;   // the operation that failed, or empty
    std::int32_t number = 0;
    std::string message;   // the number's text, and in brackets what the number alone does not say
};

// The command's text of a number: the library's table, with real texts for the command's own
// numbers and for 1000 (which the library's table reads as "No Error").
std::string numberText(std::int32_t number);
Failure makeFailure(std::string resource, std::string operation, std::int32_t number, std::string_view detail = {});
Failure failureFrom(const FailureNote& note);

// "tesk: FILE: RESOURCE: OPERATION: NUMBER TEXT", leaving out an empty resource or operation.
std::string failureLine(std::string_view file, const Failure& f);

// The same for a failure that belongs to no database: its resource (a path) takes the file's place.
std::string failureLine(const Failure& f);

// 0 stays 0, a number below 256 is itself, anything else is 1.
int exitStatusOf(std::int32_t status);

// Writes a text output (summary, gallery page) by the rule images follow: only a new name or a
// plain file of normal attributes is replaced, and a failed write leaves no half file. On failure
// returns false and describes it in `failure`, naming the path.
bool writeTextOutput(const std::string& path, std::string_view text, Failure& failure);
// The replace rule alone, for a text the library will write: false with `failure` filled in when
// something other than a plain file is in the way.
bool textOutputReplaceable(const std::string& path, Failure& failure);

}   // namespace tesk::cli
