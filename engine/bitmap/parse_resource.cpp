// Bitmap families: every bitmap of the current resource is read (bitmap_header.cpp), decoded into
// the pixel buffer, written, and described for the script or index. A header version above 3 ends
// the walk with error 5; the bitmap's own colour table is used for its colours.
#include "bitmap/parse_resource.hpp"

#include <new>
#include <vector>

#include "bitmap/bitmap_header.hpp"
#include "bitmap/conversions.hpp"
#include "bitmap/decompress.hpp"
#include "bitmap/write_bmp.hpp"

namespace tesk {
namespace {

// A header version without a layout; reported like an invalid argument.
constexpr ErrorNumber kUnknownVersion = ErrorNumber::IllegalFunctionCall;

enum class Decoder { None, ScanLine, Rle, PackBits, Uncompressed };

struct HeaderExtras {
    std::uint32_t dataOffset = 0;   // where the pixel data (or its size field) starts
    std::int64_t next = 0;          // bytes to the next bitmap, signed (back into the family); 0 = last
    std::uint8_t pixelFormat = 0;   // version 3 little-endian only
    bool littleEndian = false;
    Decoder decoder = Decoder::None;
};

enum class Step { Next, Stop };

class FamilyWalk {
public:
    explicit FamilyWalk(BitmapHost& host) : host_(host), bytes_(host.resourceData()) {}

    void run() {
        std::size_t offset = 0;
        for (int count = 1;; ++count) {
            HeaderExtras extras;
            if (readBitmap(offset, extras) == Step::Stop) return;
            if (processBitmap(extras) == Step::Stop) return;
            if (extras.next == 0) return;
            // Only a family that goes on past its 21st bitmap is reported; 21 bitmaps are fine.
            if (count >= kMaxFamilyLength) {
                host_.runServices().ui.message("Error parsing resource - " + host_.currentResourceName() + "\r\n" +
                                                   "Please report this error message",
                                               "KRWT.dll", MessageStyle::Plain);
                return;
            }
            // Next offsets are signed, so a chain may step back into the family, which is how it
            // can loop; the family length limit ends such a walk. Before the family's first byte
            // there is nothing to read.
            const std::int64_t following = static_cast<std::int64_t>(offset) + extras.next;
            if (following < 0) {
                ranOut();
                return;
            }
            offset = static_cast<std::size_t>(following);
        }
    }

private:
    // A header or table that runs past the resource: error 9, unless the family is known to
    // continue in a split part, where the end of these bytes is simply the end of this pass.
    Step ranOut() {
        if (!host_.familyContinuesInPart()) recordError(host_, ErrorNumber::SubscriptOutOfRange, op::parsersrc);
        return Step::Stop;
    }

    Step readBitmap(std::size_t& offset, HeaderExtras& x) {
        auto& b = host_.bitmapState().bitmap;
        b = DecodedBitmap{};
        own_.clear();
        auto header = readBitmapHeader(bytes_, offset);
        offset = header.start;
        switch (header.outcome) {
            case HeaderRead::Read: break;
            case HeaderRead::RanOut: return ranOut();
            case HeaderRead::TooDeep: recordBitmapTooDeep(host_); return Step::Stop;
            case HeaderRead::UnknownVersion: recordError(host_, kUnknownVersion, op::parsersrc); return Step::Stop;
        }
        b = header.fields;
        own_ = std::move(header.colourTable);
        x.dataOffset = header.dataOffset;
        x.next = header.next;
        x.pixelFormat = header.pixelFormat;
        x.littleEndian = header.littleEndian;
        switch (pixelStorage(b)) {
            case PixelStorage::Uncompressed: x.decoder = Decoder::Uncompressed; break;
            case PixelStorage::ScanLine: x.decoder = Decoder::ScanLine; break;
            case PixelStorage::Rle: x.decoder = Decoder::Rle; break;
            case PixelStorage::PackBits: x.decoder = Decoder::PackBits; break;
            case PixelStorage::Unknown: x.decoder = Decoder::None; break;
        }
        return Step::Next;
    }

    Step processBitmap(const HeaderExtras& x) {
        auto& b = host_.bitmapState().bitmap;
        const ErrorMark saved = host_.errorMark();
        if (host_.familyContinuesInPart()) host_.restoreErrorMark({0, saved.operation});
        std::uint32_t offset = x.dataOffset;
        // Little-endian 565 data wanted as 24-bit is widened after the byte order is known.
        const bool le565 = x.littleEndian && b.version == 3 && b.pixelSize == 16 && x.pixelFormat == 2;
        const bool to24 = host_.imageSettings().sixteenTo24;
        const bool widenLater = le565 && to24;
        const auto rows = to24 && !le565 ? SixteenBitRows::Widened : SixteenBitRows::Swapped;
        bool decompressed = true;
        switch (x.decoder) {
            case Decoder::ScanLine: uncompsl(host_, rows, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::Rle: uncomprle(host_, rows, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::PackBits: uncomppb(host_, rows, offset, b.height, b.rowBytes, b.pixelSize, b.version); break;
            case Decoder::Uncompressed: {
                std::int32_t depth = b.pixelSize;
                flipImg(host_, rows, offset, b.rowBytes, b.height, depth, b.version);
                decompressed = false;
                break;
            }
            case Decoder::None: decompressed = false; break;
        }
        if (widenLater) {
            widenSwapped565To24(host_, b.width, b.height);
        } else if (le565) {
            convertLE16(host_);
        }
        // Pixels that run on into the split part are completed when the parts are joined; this
        // pass writes what it has and the bitmap's line, and ends quietly at the next header.
        if (host_.familyContinuesInPart()) {
            const auto now = host_.errorMark().number;
            if (now == toInt(ErrorNumber::SubscriptOutOfRange) || now == 0) host_.restoreErrorMark(saved);
        }
        if (x.littleEndian && b.version == 3 && b.pixelSize == 1 && x.pixelFormat != 0) ReverseBitOrder(host_);
        std::string written;
        if (x.decoder != Decoder::None)
            written = writebmp(host_, b.width, b.height, b.pixelSize, b.density, b.transparencyKind, b.transparentIndex,
                               b.transparentRed, b.transparentGreen, b.transparentBlue, own_);
        host_.bitmapDone(BitmapTextValues{b.pixelSize, b.density, decompressed, b.transparencyKind, b.transparentIndex,
                                          b.transparentRed, b.transparentGreen, b.transparentBlue},
                         std::move(written));
        return Step::Next;
    }

    BitmapHost& host_;
    std::span<const std::uint8_t> bytes_;
    std::vector<Rgb> own_;
};

}   // namespace

void parsersrc(BitmapHost& host) {
    host.workOnCurrentResource();
    if (!host.takeCurrentResource()) return;
    try {
        FamilyWalk{host}.run();
    } catch (const std::bad_alloc&) {
        recordError(host, ErrorNumber::OutOfMemory, op::parsersrc);
    }
}

}   // namespace tesk
