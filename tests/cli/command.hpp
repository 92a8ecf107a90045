// Runs the built tesk (or another program) as a user or a script would, with standard output and
// standard error kept apart.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/test_run.hpp"

namespace tesk::test {

struct Outcome {
    int status = -1;   // the exit status; 128 + n when ended by signal n
    std::string out;
    std::string err;
};

struct Setting {
    std::vector<std::string> environment;   // NAME=VALUE pairs added to this process's environment
    std::filesystem::path folder;           // the working folder, when not this process's
};

// `words` are the arguments, not a shell line.
Outcome runProgram(const std::string& program, const std::vector<std::string>& words, const Setting& setting = {});
Outcome runTesk(const std::vector<std::string>& words, const Setting& setting = {});

// Starts tesk without waiting, its output going to files in `dir`; finish() waits for it.
class RunningTesk {
public:
    RunningTesk(const std::vector<std::string>& words, const std::filesystem::path& dir);
    Outcome finish();
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::filesystem::path out_, err_;
};

// Checks a JSON document against a JSON Schema with Debian's python3-jsonschema (a validator of
// the standard, not one of ours); status 0 when it is valid, the validator's findings on stdout.
Outcome validateJson(const std::filesystem::path& schema, const std::filesystem::path& document);
// The same for text held in memory.
Outcome validateJsonText(const std::filesystem::path& schema, const std::string& document);

// A small database with one good bitmap, one cut short in the middle of its data, one deeper
// than 16 bits and a raw resource: Tbmp1000, Tbmp1001, Tbmp1002, tSTR1000.
Bytes databaseWithBrokenBitmaps();

}   // namespace tesk::test
