// What the setup logic needs from whoever shows it: message boxes, input boxes and the choice of a
// Palm user. The Qt window implements it; tests script it. Texts are byte strings whose lines are
// joined by CR LF.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

inline constexpr std::string_view CrLf = "\r\n";
inline constexpr std::string_view ProgramTitle = "Varnel: Windows Setup, Part 2, V-1.9f";

// The answer of the Palm user dialog: Cancel, or OK with the selected entry (none when the list
// had no selection).
struct PalmUserAnswer {
    bool cancelled = false;
    std::optional<std::size_t> selected;
};

class SetupHost {
public:
    virtual ~SetupHost() = default;

    // A modal box with one OK button. An empty title means the program's own title.
    virtual void message(std::string_view text, std::string_view title) = 0;

    // A modal input box; nothing when the user cancelled.
    virtual std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultAnswer) = 0;

    // The modal user dialog over the names in file order, with an optional preselected entry.
    virtual PalmUserAnswer choosePalmUser(const std::vector<std::string>& names,
                                          std::optional<std::size_t> preselected) = 0;
};

}   // namespace varnel
