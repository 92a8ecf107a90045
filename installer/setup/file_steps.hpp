// File operations of a setup run, each reported to the user in a box naming the file when it
// fails. A user's file is replaced only by renaming a complete copy over it, so a missing template
// or a failed copy leaves the user's file as it was.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_system.hpp"
#include "setup_host.hpp"

namespace varnel {

class FileSteps {
public:
    FileSteps(tesk::FileSystem& fs, SetupHost& host) : fs_(fs), host_(host) {}

    tesk::FileSystem& fs() { return fs_; }
    SetupHost& host() { return host_; }

    bool exists(const std::string& path) const { return tesk::PathExists(fs_, path); }
    bool isFolder(const std::string& path) const;

    // Copies `from` over `to`: the source is read whole, written under a temporary name beside the
    // target and renamed onto it. On failure the target is untouched and the failure reported.
    bool installCopy(const std::string& from, const std::string& to);

    // Writes the bytes in the same way. A read-only target is left alone (75), reported; any other
    // target keeps its permissions.
    bool writeReplacing(const std::string& path, std::string_view content);

    // A file whose write permission has been taken away: the user protects it, so it is not replaced.
    bool isReadOnly(const std::string& path) const;
    // Renames a complete temporary file over the target, giving it the target's permissions first.
    tesk::ErrorNumber putInPlace(const std::string& temp, const std::string& target);

    // Deletes the file when it is there; a failure other than "not there" is reported.
    bool removeIfPresent(const std::string& path);

    // Creates one folder level when it is not an existing folder; reported on failure.
    bool ensureFolder(const std::string& folder);

    // Reads a whole text file (at most a few megabytes); reported on failure.
    bool readText(const std::string& path, std::string& out);

    // Shows a failure and remembers that the run saw one.
    void reportFailure(std::string_view text);

    bool failed() const { return failures_ > 0; }
    int failures() const { return failures_; }

private:
    tesk::FileSystem& fs_;
    SetupHost& host_;
    int failures_ = 0;
};

// Text of an error number for messages, e.g. "Path not found (76)".
std::string describeError(tesk::ErrorNumber e);

// "Cannot replace <path>: it is read-only - Path/file access error (75)".
std::string readOnlyMessage(const std::string& path);

// A name that may become one path component: not empty, not "." or "..", no separator of either
// platform, no control byte.
bool isPlainName(std::string_view name);

}   // namespace varnel
