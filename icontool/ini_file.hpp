// Settings file access with the profile-string rules the settings were designed around: sections
// and keys match without regard to case, the first match wins, values are trimmed and lose one
// pair of surrounding quotes on read, reads give at most 254 characters, and a write changes only
// the line it concerns (or appends one), leaving every other line of the file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.hpp"

namespace tesk::icontool {

class cInifile {
public:
    explicit cInifile(FileSystem& files) : files_(files) {}

    // Plain storage, no file access.
    std::string path;
    std::string Section;
    std::string key;
    std::string Default;

    std::int32_t LastReturnCode() const { return lastReturnCode_; }
    bool Success() const { return lastReturnCode_ != 0; }

    // Reads Section/key; Default when the file, section or key is missing. Leaves the last return
    // code alone.
    std::string Value() const;
    // Writes Section/key. NUL bytes are removed first; line breaks too, since they would split the
    // line and plant keys the caller never wrote.
    void setValue(std::string_view value);

    void DeleteKey();
    void DeleteSection();

    // Key names of Section (or section names), each ended by a NUL, as one text.
    std::string INISection() const;
    // Writing a section's text removes the section: the profile call it stands for has no key.
    void setINISection(std::string_view value);
    std::string Sections() const;

    void EnumerateCurrentSection(std::vector<std::string>& sKey, std::int32_t& iCount) const;
    void EnumerateAllSections(std::vector<std::string>& sSections, std::int32_t& iCount) const;

    // The text as a 32-bit number (optional sign, decimal digits, surrounding spaces allowed), or
    // lDefault when it is anything else or out of range.
    static std::int32_t CLngDefault(std::string_view sString, std::int32_t lDefault);

private:
    std::vector<std::string> loadLines() const;
    // Applies one profile write: key and value absent = remove section, value absent = remove key.
    void write(const std::optional<std::string>& keyName, const std::optional<std::string>& value);

    FileSystem& files_;
    std::int32_t lastReturnCode_ = 0;
};

}   // namespace tesk::icontool
