#include "platform/memory_file_system.hpp"

#include <algorithm>

#include "platform/paths.hpp"

namespace tesk {
namespace {

std::string parentOf(const std::string& canonical) {
    auto slash = canonical.find_last_of('/');
    if (slash == 0 || slash == std::string::npos) return "/";
    return canonical.substr(0, slash);
}

std::string leafOf(const std::string& canonical) {
    auto slash = canonical.find_last_of('/');
    return slash == std::string::npos ? canonical : canonical.substr(slash + 1);
}

bool isBelow(const std::string& canonical, const std::string& prefix) {
    if (prefix == "/") return true;
    return canonical == prefix || (canonical.size() > prefix.size() &&
                                   canonical.compare(0, prefix.size(), prefix) == 0 && canonical[prefix.size()] == '/');
}

}   // namespace

MemoryFileSystem::MemoryFileSystem() { nodes_["/"].kind = Kind::Folder; }

std::string MemoryFileSystem::normalise(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        // Where the native separator is "\", both separate folders, as they do for the system.
        auto end = kSeparator == '/' ? path.find('/', i) : path.find_first_of("/\\", i);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(i, end - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        i = end + 1;
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

const MemoryFileSystem::Node* MemoryFileSystem::find(const std::string& canonical) const {
    auto it = nodes_.find(canonical);
    return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::parentIsFolder(const std::string& canonical) const {
    const Node* parent = find(parentOf(canonical));
    return parent && parent->kind == Kind::Folder;
}

bool MemoryFileSystem::denied(const std::string& canonical) const {
    return std::any_of(deniedPrefixes_.begin(), deniedPrefixes_.end(),
                       [&](const std::string& p) { return isBelow(canonical, p); });
}

void MemoryFileSystem::addFolder(const std::string& path, std::uint32_t attributes) {
    auto c = normalise(path);
    if (c != "/") addFolder(parentOf(c));
    auto& n = nodes_[c];
    if (n.kind == Kind::File) stored_ -= n.bytes.size();
    n.kind = Kind::Folder;
    n.bytes.clear();
    if (attributes) n.attributes = attributes;
}

void MemoryFileSystem::addFile(const std::string& path, std::vector<std::uint8_t> bytes, std::uint32_t attributes) {
    auto c = normalise(path);
    addFolder(parentOf(c));
    auto& n = nodes_[c];
    if (n.kind == Kind::File) stored_ -= n.bytes.size();
    n.kind = Kind::File;
    stored_ += bytes.size();
    n.bytes = std::move(bytes);
    n.attributes = attributes;
}

void MemoryFileSystem::addLink(const std::string& path, const std::string& target) {
    auto c = normalise(path);
    addFolder(parentOf(c));
    auto& n = nodes_[c];
    if (n.kind == Kind::File) stored_ -= n.bytes.size();
    n = Node{Kind::Link, {}, target, 0};
}

void MemoryFileSystem::setAttributes(const std::string& path, std::uint32_t attributes) {
    auto it = nodes_.find(normalise(path));
    if (it != nodes_.end()) it->second.attributes = attributes;
}

void MemoryFileSystem::failNthWrite(std::size_t n, ErrorNumber e) {
    failAt_ = n == 0 ? std::nullopt : std::optional<std::size_t>(writes_ + n);
    failWith_ = e;
}

void MemoryFileSystem::denyChanges(const std::string& pathPrefix) { deniedPrefixes_.push_back(normalise(pathPrefix)); }

void MemoryFileSystem::vanishAfterCheck(const std::string& path) { vanishing_.push_back(normalise(path)); }

std::optional<std::vector<std::uint8_t>> MemoryFileSystem::contents(const std::string& path) const {
    const Node* n = find(normalise(path));
    if (!n || n->kind != Kind::File) return std::nullopt;
    return n->bytes;
}

std::vector<std::string> MemoryFileSystem::allPaths() const {
    std::vector<std::string> out;
    for (const auto& [path, node] : nodes_) out.push_back(path);
    return out;   // std::map keeps them sorted
}

std::optional<std::uint32_t> MemoryFileSystem::attributes(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    auto c = normalise(path);
    auto it = nodes_.find(c);
    if (it == nodes_.end()) return std::nullopt;
    std::uint32_t a = it->second.attributes & (attr::ReadOnly | attr::Hidden | attr::System | attr::Archive);
    if (it->second.kind == Kind::Folder) a |= attr::Directory;
    if (it->second.kind == Kind::Link) a |= attr::System;
    auto leaf = leafOf(c);
    if (!leaf.empty() && leaf[0] == '.') a |= attr::Hidden;
    if (a == 0) a = attr::Normal;
    if (auto v = std::find(vanishing_.begin(), vanishing_.end(), c); v != vanishing_.end()) {
        vanishing_.erase(v);
        if (it->second.kind == Kind::File) stored_ -= it->second.bytes.size();
        nodes_.erase(it);
    }
    return a;
}

ErrorNumber MemoryFileSystem::readFile(const std::string& path, std::vector<std::uint8_t>& out,
                                       std::size_t maxBytes) const {
    out.clear();
    auto c = normalise(path);
    const Node* n = find(c);
    for (int hops = 0; n && n->kind == Kind::Link; ++hops) {
        if (hops == 8) return ErrorNumber::PathFileAccessError;   // a loop of links
        n = find(normalise(n->target.starts_with('/') ? n->target : parentOf(c) + "/" + n->target));
    }
    if (!n) return parentIsFolder(c) ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    if (n->kind == Kind::Folder) return ErrorNumber::PathFileAccessError;
    if (n->bytes.size() > maxBytes) return ErrorNumber::OutOfMemory;
    out = n->bytes;
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::takeWrite(std::size_t newBytes, std::size_t replacedBytes) {
    ++writes_;
    if (failAt_ && writes_ == *failAt_) {
        failAt_.reset();
        ++refused_;
        return failWith_;
    }
    if (capacity_ && stored_ - replacedBytes + newBytes > *capacity_) {
        ++refused_;
        return ErrorNumber::DiskFull;
    }
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::store(const std::string& c, std::span<const std::uint8_t> bytes) {
    if (c == "/") return ErrorNumber::PathFileAccessError;
    if (!parentIsFolder(c)) return ErrorNumber::PathNotFound;
    if (denied(c)) return ErrorNumber::PermissionDenied;
    const Node* old = find(c);
    if (old && old->kind != Kind::File) return ErrorNumber::PathFileAccessError;   // never through a link
    if (old && (old->attributes & attr::ReadOnly)) return ErrorNumber::PermissionDenied;
    return takeWrite(bytes.size(), old ? old->bytes.size() : 0);
}

ErrorNumber MemoryFileSystem::writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    auto c = normalise(path);
    if (auto e = store(c, bytes); e != ErrorNumber::None) {
        // As on disk: the file was opened (and truncated) before the write failed, and a failed
        // write removes what it left.
        if (auto it = nodes_.find(c); it != nodes_.end() && it->second.kind == Kind::File &&
                                      e != ErrorNumber::PermissionDenied && e != ErrorNumber::PathNotFound) {
            stored_ -= it->second.bytes.size();
            nodes_.erase(it);
        }
        return e;
    }
    auto& n = nodes_[c];
    stored_ -= n.bytes.size();
    n.kind = Kind::File;
    n.bytes.assign(bytes.begin(), bytes.end());
    stored_ += n.bytes.size();
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) return ErrorNumber::BadFileName;
    auto c = normalise(path);
    // The temporary copy lives beside the target; on failure it goes and the target stays as it was.
    if (!parentIsFolder(c)) return ErrorNumber::PathNotFound;
    if (denied(c)) return ErrorNumber::PermissionDenied;
    const Node* old = find(c);
    if (old && old->kind == Kind::Folder) return ErrorNumber::PathFileAccessError;
    if (auto e = takeWrite(bytes.size(), 0); e != ErrorNumber::None) return e;
    auto& n = nodes_[c];   // a rename replaces a link or a read-only file like any other name
    if (n.kind == Kind::File) stored_ -= n.bytes.size();
    n = Node{Kind::File, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {}, 0};
    stored_ += n.bytes.size();
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::removeFile(const std::string& path) {
    auto c = normalise(path);
    auto it = nodes_.find(c);
    if (it == nodes_.end()) return parentIsFolder(c) ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    if (it->second.kind == Kind::Folder) return ErrorNumber::PathFileAccessError;
    if (denied(c)) return ErrorNumber::PermissionDenied;
    stored_ -= it->second.bytes.size();
    nodes_.erase(it);
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::createFolder(const std::string& path) {
    auto c = normalise(path);
    if (find(c)) return ErrorNumber::FileAlreadyExists;
    if (!parentIsFolder(c)) return ErrorNumber::PathNotFound;
    if (denied(c)) return ErrorNumber::PermissionDenied;
    nodes_[c].kind = Kind::Folder;
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::renameFile(const std::string& from, const std::string& to) {
    auto f = normalise(from), t = normalise(to);
    auto it = nodes_.find(f);
    if (it == nodes_.end()) return parentIsFolder(f) ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    if (it->second.kind == Kind::Folder) return ErrorNumber::PathFileAccessError;   // files only
    if (!parentIsFolder(t)) return ErrorNumber::PathNotFound;
    if (denied(f) || denied(t)) return ErrorNumber::PermissionDenied;
    if (f == t) return ErrorNumber::None;
    if (const Node* old = find(t)) {
        if (old->kind == Kind::Folder) return ErrorNumber::PathFileAccessError;
        stored_ -= old->bytes.size();
    }
    Node moved = std::move(it->second);
    nodes_.erase(it);
    nodes_[t] = std::move(moved);
    return ErrorNumber::None;
}

ErrorNumber MemoryFileSystem::listFolder(const std::string& path, std::vector<std::string>& names) const {
    names.clear();
    auto c = normalise(path);
    const Node* n = find(c);
    if (!n) return ErrorNumber::PathNotFound;
    if (n->kind != Kind::Folder) return ErrorNumber::PathFileAccessError;
    const std::string prefix = c == "/" ? "/" : c + "/";
    for (auto it = nodes_.lower_bound(prefix); it != nodes_.end() && it->first.starts_with(prefix); ++it) {
        auto rest = it->first.substr(prefix.size());
        if (!rest.empty() && rest.find('/') == std::string::npos) names.push_back(rest);
    }
    return ErrorNumber::None;
}

}   // namespace tesk
