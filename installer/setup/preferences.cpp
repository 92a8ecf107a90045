// Both passes build the new file in memory and put it in place by a rename, so the file that was
// read is never half rewritten.
#include "preferences.hpp"

#include "platform/ascii.hpp"

namespace varnel {
namespace {

bool isCalendarRow(const DatabaseRow& row) { return &row == &DatabaseRows[0]; }

// A folder that still holds the older desktop's calendar file but no database of either kind.
bool looksLikeOldDesktop(FileSteps& steps, const std::string& folder) {
    return steps.exists(folder + "datebook.dat") && !steps.exists(folder + "datebook.db") &&
           !steps.exists(folder + "datebook.mdb");
}

// The first pass's database rule: make the folder and an empty database when missing, and give
// the line its path.
std::string rewriteDatabaseLine(FileSteps& steps, const RunPaths& paths, const DatabaseRow& row) {
    const auto folder = databaseFolder(paths, row);
    const auto file = databaseFile(paths, row);
    if (steps.ensureFolder(folder) && !steps.exists(file)) {
        if (isCalendarRow(row) && looksLikeOldDesktop(steps, folder)) {
            steps.host().message(
                std::string(prefs::OldDesktopLine1) + std::string(CrLf) + std::string(prefs::OldDesktopLine2),
                prefs::OldDesktopTitle);
        }
        // The empty template is the newer kind in every mode; the legacy name only renames it.
        steps.installCopy(paths.varnelMainPath + std::string(row.emptyTemplate), file);
    }
    return std::string(row.line) + file;
}

}   // namespace

std::string synchronisationLine(Mode mode) {
    return std::string(prefs::SyncKey) + " = (boolean) " + (isPalmMode(mode) ? "true" : "false") +
           std::string(prefs::SyncComment);
}

std::string databaseFolder(const RunPaths& paths, const DatabaseRow& row) {
    return paths.dataRoot + paths.userFolderName + "/" + std::string(row.subFolder) + "/";
}

std::string databaseFile(const RunPaths& paths, const DatabaseRow& row) {
    return databaseFolder(paths, row) + std::string(paths.mode == Mode::Legacy ? row.legacyFile : row.newerFile);
}

const DatabaseRow* matchDatabaseRow(std::string_view line) {
    const auto low = tesk::lower(line);
    for (const auto& row : DatabaseRows) {
        if (low.find(row.key) != std::string::npos) return &row;
    }
    return nullptr;
}

std::vector<std::string> splitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool updateDefaultPreferences(FileSteps& steps, const RunPaths& paths, bool installDefaults) {
    const auto defaultTxt = paths.calendarFolder + "Default.txt";
    const auto defaultTmp = paths.calendarFolder + "Default.tmp";
    const auto templateFile = paths.varnelMainPath + "VarnelPreferences.def";
    // Every failure here ends the run; the message says so and what became of Default.txt.
    const bool existedAtStart = steps.exists(defaultTxt);
    auto stop = [&](const std::string& what) {
        const char* outcome = existedAtStart ? " was left as it was."
                              : steps.exists(defaultTxt)
                                  ? " was installed from the template but not given its database paths."
                                  : " was not installed.";
        steps.reportFailure(what + std::string(CrLf) + "Setup stopped: " + defaultTxt + outcome);
        return false;
    };
    auto read = [&](const std::string& path, std::string& out) {
        std::vector<std::uint8_t> bytes;
        auto e = steps.fs().readFile(path, bytes, 16u << 20);
        out.assign(bytes.begin(), bytes.end());
        return e;
    };
    // A read-only Default.txt is the user's protected preferences: neither rewritten nor replaced.
    if (existedAtStart && steps.isReadOnly(defaultTxt)) return stop(readOnlyMessage(defaultTxt));

    // Defaults asked for over an existing file: the template is rewritten in memory and replaces
    // the user's file only once finished, so a failure on the way leaves that file as it was.
    const bool defaultsOverUsersFile = installDefaults && existedAtStart;
    const bool installFresh = !existedAtStart;
    std::string input;
    if (defaultsOverUsersFile || installFresh) {
        if (auto e = read(templateFile, input); e != tesk::ErrorNumber::None)
            return stop("Cannot read " + templateFile + ": " + describeError(e));
    }
    if (installFresh) {
        auto e = steps.fs().writeFile(defaultTxt,
                                      std::span(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()));
        if (e != tesk::ErrorNumber::None) return stop("Cannot write " + defaultTxt + ": " + describeError(e));
        steps.removeIfPresent(paths.calendarFolder + "Default.dat");
    } else if (!defaultsOverUsersFile) {
        if (auto e = read(defaultTxt, input); e != tesk::ErrorNumber::None)
            return stop("Cannot read " + defaultTxt + ": " + describeError(e));
    }

    std::string output;
    bool syncLineSeen = false;
    int databasePathCount = 0;
    for (const auto& line : splitTextLines(input)) {
        if (!line.empty() && line[0] == ';') {
            output += line;
        } else if (line.find(prefs::SyncKey) != std::string::npos) {
            output += synchronisationLine(paths.mode);
            syncLineSeen = true;
        } else if (const auto* row = matchDatabaseRow(line)) {
            output += rewriteDatabaseLine(steps, paths, *row);
            ++databasePathCount;
        } else {
            output += line;
        }
        output += CrLf;
    }
    if (!syncLineSeen) output += synchronisationLine(paths.mode) + std::string(CrLf);

    auto e = steps.fs().writeFile(defaultTmp,
                                  std::span(reinterpret_cast<const std::uint8_t*>(output.data()), output.size()));
    if (e != tesk::ErrorNumber::None) return stop("Cannot write " + defaultTmp + ": " + describeError(e));
    if (databasePathCount != 4) {
        // The unfinished rewrite stays beside the file for a look; the next run overwrites it.
        steps.reportFailure(prefs::CountError);
        return false;
    }
    if (e = steps.putInPlace(defaultTmp, defaultTxt); e != tesk::ErrorNumber::None)
        return stop("Cannot replace " + defaultTxt + " by " + defaultTmp + ": " + describeError(e));
    if (defaultsOverUsersFile) steps.removeIfPresent(paths.calendarFolder + "Default.dat");
    return true;
}

bool updateTemplatePreferences(FileSteps& steps, const RunPaths& paths) {
    std::string input;
    if (!steps.readText(paths.varnelMainPath + "VarnelPreferences.def", input)) return false;
    std::string output;
    for (const auto& line : splitTextLines(input)) {
        const DatabaseRow* row = (!line.empty() && line[0] == ';') ? nullptr : matchDatabaseRow(line);
        output += row ? std::string(row->line) + databaseFile(paths, *row) : line;
        output += CrLf;
    }
    return steps.writeReplacing(paths.calendarFolder + "VarnelPreferences.def", output);
}

}   // namespace varnel
