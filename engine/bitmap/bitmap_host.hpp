// What the bitmap code needs of the run that drives it, and all it sees of it: the current
// resource, the settings it reads, the error record, the bitmap being decoded, and the sinks for
// what a bitmap produces. The driver implements it (ExtractionContext); engine/bitmap/ includes
// nothing of engine/driver/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "bitmap/bitmap_state.hpp"
#include "platform/error_number.hpp"
#include "platform/services.hpp"

namespace tesk {

// The run's settings as the bitmap code reads them; fixed once the run has started.
struct ImageSettings {
    std::string_view outputFolder;   // ends in the separator
    std::int32_t imageFormat = 0;    // 0 BMP, 1 JPEG, 2 PNG (quantised), 3 exact PNG
    std::int32_t sortIntoFolders = 0;
    std::int32_t resizeMode = 0;   // 0 none, 1 shrink only, 2 always
    std::int32_t resizeWidth = 0;
    std::int32_t resizeHeight = 0;
    bool sixteenTo24 = false;   // 16-bit images become 24-bit
    bool noLe16Swap = false;    // little-endian 565 data keeps its stored byte order
};

// What the parser knows about one bitmap, for its BITMAP line or index row.
struct BitmapTextValues {
    std::uint8_t pixelSize = 0;
    std::int16_t density = 72;
    bool decompressed = false;   // went through one of the decompressors
    std::int32_t transparencyKind = 0;
    std::int32_t transparentIndex = 0;
    std::int32_t transparentRed = 0;
    std::int32_t transparentGreen = 0;
    std::int32_t transparentBlue = 0;
};

// The error record's number and operation, kept across a pass that may end quietly.
struct ErrorMark {
    std::int32_t number = 0;
    std::string operation;
};

class BitmapHost {
public:
    virtual Services& runServices() = 0;
    virtual ImageSettings imageSettings() const = 0;
    virtual BitmapState& bitmapState() = 0;

    // The resource being parsed: its bytes (a view into the loaded database) and its name.
    virtual std::span<const std::uint8_t> resourceData() const = 0;
    virtual const std::string& currentResourceName() const = 0;
    // The current abmp's family continues in a 2bmp part (of splitPartBytes bytes): running off
    // the end of these bytes ends the pass quietly, and the part counts as data to decode.
    virtual bool familyContinuesInPart() const = 0;
    virtual std::size_t splitPartBytes() const = 0;
    // Whether the run wants the current resource parsed (single-resource mode names one); it
    // becomes the resource that failures are reported against.
    virtual bool takeCurrentResource() = 0;

    // Failures: the next recording names the current resource.
    virtual void workOnCurrentResource() = 0;
    virtual void recordFailure(std::int32_t number, std::string_view operation) = 0;
    // A bitmap deeper than 16 bits: error 1000, the record's operation left as it was.
    virtual void recordTooDeep() = 0;
    virtual ErrorMark errorMark() const = 0;
    virtual void restoreErrorMark(const ErrorMark& mark) = 0;

    // One image file written (for the run's counts).
    virtual void imageFileWritten() = 0;
    // A bitmap handled: its text line or row, and the image file written for it (empty: none).
    virtual void bitmapDone(const BitmapTextValues& values, std::string writtenPath) = 0;
    // Makes the folders a name-table name asks for below `base` (ending in the separator), when the
    // run makes name folders; the name uses "/" or "\" between its parts.
    virtual void makeNameFolders(const std::string& base, std::string_view name) = 0;

protected:
    BitmapHost() = default;
    ~BitmapHost() = default;
    BitmapHost(const BitmapHost&) = default;
    BitmapHost& operator=(const BitmapHost&) = default;
};

// The bitmap code's operation names as they appear in messages.
namespace op {
inline constexpr std::string_view parsersrc = "parsersrc";
inline constexpr std::string_view loadpalettes = "loadpalettes";
inline constexpr std::string_view writebmp = "writebmp";
inline constexpr std::string_view conv2to4bit = "conv2to4bit";
inline constexpr std::string_view uncompsl = "uncompsl";
inline constexpr std::string_view uncomppb = "uncomppb";
inline constexpr std::string_view uncomprle = "uncomprle";
inline constexpr std::string_view convertLE16 = "Convert LE16";
inline constexpr std::string_view flipImg = "flipImg";
inline constexpr std::string_view writeJpeg = "Write JPEG";
inline constexpr std::string_view writePng = "Write PNG";
}   // namespace op

inline void recordError(BitmapHost& host, ErrorNumber number, std::string_view operation) {
    host.recordFailure(toInt(number), operation);
}
inline void recordBitmapTooDeep(BitmapHost& host) { host.recordTooDeep(); }

}   // namespace tesk
