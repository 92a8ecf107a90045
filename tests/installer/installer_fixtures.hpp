// Doubles and fixtures of the installer's tests: a scripted host, a file system that fails on
// command, and a temporary folder tree with a program folder of templates and a stand-in Palm Desktop.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.hpp"
#include "platform/registry.hpp"
#include "setup_host.hpp"
#include "support/users_dat_builder.hpp"

namespace varnel::test {

struct ShownMessage {
    std::string text;
    std::string title;
};

struct AskedInput {
    std::string prompt;
    std::string title;
    std::string defaultAnswer;
};

// Answers the run's questions from queues and records everything it was shown. An input box with
// no queued answer is cancelled; a user dialog with none is answered OK without a change.
class ScriptedHost final : public SetupHost {
public:
    void message(std::string_view text, std::string_view title) override {
        messages.push_back({std::string(text), std::string(title)});
    }
    std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultAnswer) override;
    PalmUserAnswer choosePalmUser(const std::vector<std::string>& names,
                                  std::optional<std::size_t> preselected) override;

    std::deque<std::optional<std::string>> answers;
    std::deque<PalmUserAnswer> userAnswers;

    std::vector<ShownMessage> messages;
    std::vector<AskedInput> inputs;
    std::vector<std::string> dialogNames;
    std::optional<std::size_t> dialogPreselected;
    int dialogsShown = 0;

    bool anyMessageContains(std::string_view part) const;
};

// The real disk, with failures on command: an operation fails with the given error for every
// path that contains the given text.
class FailingFileSystem final : public tesk::FileSystem {
public:
    enum class Op { Write, Rename, Remove, CreateFolder, Read };
    void failOn(Op op, std::string pathPart, tesk::ErrorNumber e = tesk::ErrorNumber::DiskFull) {
        rules_.push_back({op, std::move(pathPart), e});
    }

    std::optional<std::uint32_t> attributes(const std::string& path) const override { return real_.attributes(path); }
    tesk::ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out,
                               std::size_t maxBytes) const override;
    tesk::ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override;
    tesk::ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override;
    tesk::ErrorNumber removeFile(const std::string& path) override;
    tesk::ErrorNumber createFolder(const std::string& path) override;
    tesk::ErrorNumber renameFile(const std::string& from, const std::string& to) override;
    tesk::ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override {
        return real_.listFolder(path, names);
    }
    tesk::ErrorNumber copyPermissions(const std::string& from, const std::string& to) override {
        return real_.copyPermissions(from, to);
    }

private:
    struct Rule {
        Op op;
        std::string part;
        tesk::ErrorNumber error;
    };
    tesk::ErrorNumber check(Op op, const std::string& path) const;
    tesk::PosixFileSystem real_;
    std::vector<Rule> rules_;
};

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    // The root with a trailing "/".
    std::string root() const { return path_.string() + "/"; }
    std::filesystem::path path(const std::string& rel = {}) const { return rel.empty() ? path_ : path_ / rel; }

private:
    std::filesystem::path path_;
};

void writeFileBytes(const std::filesystem::path& p, std::string_view bytes);
void writeFileBytes(const std::filesystem::path& p, const Bytes& bytes);
std::string readFileText(const std::filesystem::path& p);
Bytes readFileBytes(const std::filesystem::path& p);
// Relative paths of every regular file below a folder, sorted.
std::vector<std::string> filesBelow(const std::filesystem::path& root);
// Joins lines with CR LF after each.
std::string crlfLines(std::initializer_list<std::string_view> lines);

// A program folder filled with the sample templates, a Palm Desktop folder with a Users.dat and
// a registry file naming it.
struct InstallTree {
    InstallTree();

    TempTree tmp;
    std::string program;   // ends in "/"
    std::string palm;      // the Palm Desktop folder, no trailing "/"
    std::string registryFile;

    void writeUsers(const UsersDatBuilder& users) const;
    void setRegistry(std::string_view fullPath, std::string_view value) const;
    std::optional<std::string> registryValue(std::string_view fullPath) const;
    std::string calendarFolder(const std::string& userFolder) const { return palm + "/" + userFolder + "/Varnel/"; }
};

}   // namespace varnel::test
