#include "installer_fixtures.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace varnel::test {

namespace fs = std::filesystem;
using tesk::ErrorNumber;

std::optional<std::string> ScriptedHost::inputBox(std::string_view prompt, std::string_view title,
                                                  std::string_view defaultAnswer) {
    inputs.push_back({std::string(prompt), std::string(title), std::string(defaultAnswer)});
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
}

PalmUserAnswer ScriptedHost::choosePalmUser(const std::vector<std::string>& names,
                                            std::optional<std::size_t> preselected) {
    ++dialogsShown;
    dialogNames = names;
    dialogPreselected = preselected;
    if (userAnswers.empty()) return PalmUserAnswer{false, preselected};
    auto a = userAnswers.front();
    userAnswers.pop_front();
    return a;
}

bool ScriptedHost::anyMessageContains(std::string_view part) const {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const ShownMessage& m) { return m.text.find(part) != std::string::npos; });
}

ErrorNumber FailingFileSystem::check(Op op, const std::string& path) const {
    for (const auto& r : rules_) {
        if (r.op == op && path.find(r.part) != std::string::npos) return r.error;
    }
    return ErrorNumber::None;
}

ErrorNumber FailingFileSystem::readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                        std::size_t maxBytes) const {
    if (auto e = check(Op::Read, path); e != ErrorNumber::None) return e;
    return real_.readFile(path, out, maxBytes);
}
ErrorNumber FailingFileSystem::writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (auto e = check(Op::Write, path); e != ErrorNumber::None) return e;
    return real_.writeFile(path, bytes);
}
ErrorNumber FailingFileSystem::writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (auto e = check(Op::Write, path); e != ErrorNumber::None) return e;
    return real_.writeFileAtomic(path, bytes);
}
ErrorNumber FailingFileSystem::removeFile(const std::string& path) {
    if (auto e = check(Op::Remove, path); e != ErrorNumber::None) return e;
    return real_.removeFile(path);
}
ErrorNumber FailingFileSystem::createFolder(const std::string& path) {
    if (auto e = check(Op::CreateFolder, path); e != ErrorNumber::None) return e;
    return real_.createFolder(path);
}
ErrorNumber FailingFileSystem::renameFile(const std::string& from, const std::string& to) {
    if (auto e = check(Op::Rename, to); e != ErrorNumber::None) return e;
    return real_.renameFile(from, to);
}

TempTree::TempTree() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("varnel-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
}

TempTree::~TempTree() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeFileBytes(const fs::path& p, std::string_view bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void writeFileBytes(const fs::path& p, const Bytes& bytes) {
    writeFileBytes(p, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string readFileText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Bytes readFileBytes(const fs::path& p) {
    auto text = readFileText(p);
    return Bytes(text.begin(), text.end());
}

std::vector<std::string> filesBelow(const fs::path& root) {
    std::vector<std::string> out;
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) out.push_back(fs::relative(e.path(), root).generic_string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string crlfLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

InstallTree::InstallTree() {
    program = tmp.root() + "program/";
    palm = tmp.root() + "palm";
    registryFile = tmp.root() + "registry.reg";
    fs::create_directories(program);
    fs::create_directories(palm);
    for (const auto& e : fs::directory_iterator(VARNEL_SAMPLES_DIR)) {
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            fs::copy_file(e.path(), fs::path(program) / e.path().filename());
    }
    setRegistry("HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core\\Path", palm);
}

void InstallTree::writeUsers(const UsersDatBuilder& users) const {
    writeFileBytes(fs::path(palm) / "Users.dat", users.build());
}

void InstallTree::setRegistry(std::string_view fullPath, std::string_view value) const {
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, registryFile};
    ASSERT_EQ(reg.regwrite(fullPath, value), ErrorNumber::None);
}

std::optional<std::string> InstallTree::registryValue(std::string_view fullPath) const {
    tesk::PosixFileSystem disk;
    tesk::RegFileRegistry reg{disk, registryFile};
    return reg.regread(fullPath);
}

}   // namespace varnel::test
