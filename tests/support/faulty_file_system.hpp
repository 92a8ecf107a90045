// A file system that passes everything to a real one but fails the operations a test names, so
// disk-full and permission failures can be produced on demand (also when tests run as root).
#pragma once

#include <functional>
#include <string>

#include "platform/file_system.hpp"

namespace tesk::test {

class FaultyFileSystem final : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

    // Returns the error to inject for a write to this path, or None to let it through.
    std::function<ErrorNumber(const std::string& path)> failWrite;
    std::function<ErrorNumber(const std::string& path)> failRead;
    int writes = 0;

    std::optional<std::uint32_t> attributes(const std::string& path) const override { return inner_.attributes(path); }
    ErrorNumber readFile(const std::string& path, std::vector<std::uint8_t>& out, std::size_t maxBytes) const override {
        if (failRead) {
            if (auto e = failRead(path); e != ErrorNumber::None) return e;
        }
        return inner_.readFile(path, out, maxBytes);
    }
    ErrorNumber writeFile(const std::string& path, std::span<const std::uint8_t> bytes) override {
        ++writes;
        if (failWrite) {
            if (auto e = failWrite(path); e != ErrorNumber::None) return e;
        }
        return inner_.writeFile(path, bytes);
    }
    ErrorNumber writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) override {
        ++writes;
        if (failWrite) {
            if (auto e = failWrite(path); e != ErrorNumber::None) return e;
        }
        return inner_.writeFileAtomic(path, bytes);
    }
    ErrorNumber removeFile(const std::string& path) override { return inner_.removeFile(path); }
    ErrorNumber createFolder(const std::string& path) override { return inner_.createFolder(path); }
    ErrorNumber renameFile(const std::string& from, const std::string& to) override {
        return inner_.renameFile(from, to);
    }
    ErrorNumber listFolder(const std::string& path, std::vector<std::string>& names) const override {
        return inner_.listFolder(path, names);
    }
    ErrorNumber copyPermissions(const std::string& from, const std::string& to) override {
        return inner_.copyPermissions(from, to);
    }

private:
    FileSystem& inner_;
};

}   // namespace tesk::test
