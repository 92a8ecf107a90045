// The run state's own operations, and the driver's side of BitmapHost: what the bitmap code may
// see of the run and do to it.
#include "driver/extraction_context.hpp"

#include <algorithm>
#include <utility>

#include "driver/name_table.hpp"
#include "driver/text_output.hpp"

namespace tesk {

void ExtractionContext::resetRun() {
    settings = {};
    walk = {};
    resource = {};
    split = {};
    text = {};
    progress = {};
    errors = {};
    tally = {};
    bitmap = {};
    loaded.nameTablesOn = false;
    loaded.nameTable.clear();
}

void ExtractionContext::releaseDatabase() {
    resource.bytes = {};
    split.joinedBytes = {};
    loaded.database.clear();
}

TextMode ExtractionContext::textMode() const {
    if (settings.flags.noText) return TextMode::None;
    return settings.flags.script ? TextMode::Script : TextMode::Index;
}

TypeSection& ExtractionContext::currentSection() {
    if (resource.kind == "taib") return text.taib;
    if (resource.kind == "abmp") return text.abmp;
    if (resource.kind == "bin") return text.data;
    return text.tbmp;
}

ImageSettings ExtractionContext::imageSettings() const {
    ImageSettings s;
    s.outputFolder = settings.outputFolder;
    s.imageFormat = settings.imageFormat;
    s.sortIntoFolders = settings.sortIntoFolders;
    s.resizeMode = settings.resizeMode;
    s.resizeWidth = settings.resizeWidth;
    s.resizeHeight = settings.resizeHeight;
    s.sixteenTo24 = settings.flags.sixteenTo24;
    s.noLe16Swap = settings.flags.noLe16Swap;
    return s;
}

bool ExtractionContext::takeCurrentResource() {
    errors.workingOn = resource.name;
    if (settings.flags.single) {
        if (resource.name != settings.singleResourceName) return false;
        // An abmp's family may continue in a part the walk has yet to meet.
        if (settings.singleResourceType != "abmp") walk.stopRequested = true;
    }
    return true;
}

void ExtractionContext::recordFailure(std::int32_t number, std::string_view operation) {
    recordError(*this, number, operation);
}

void ExtractionContext::recordTooDeep() { recordBitmapTooDeep(*this); }

void ExtractionContext::restoreErrorMark(const ErrorMark& mark) {
    errors.code = mark.number;
    errors.procedure = mark.operation;
}

void ExtractionContext::bitmapDone(const BitmapTextValues& values, std::string writtenPath) {
    appendBitmapText(*this, values, std::move(writtenPath));
}

void ExtractionContext::makeNameFolders(const std::string& base, std::string_view name) {
    if (loaded.nameTablesOn && settings.flags.nameFolders && name.find_first_of("/\\") != std::string_view::npos)
        CreateNameFolders(*this, base, name);
}

}   // namespace tesk
