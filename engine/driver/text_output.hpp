// The resource script and the index table: every text that goes into them. Lines end in CR LF.
#pragma once

#include <cstdint>
#include <string>

#include "driver/extraction_context.hpp"

namespace tesk {

inline constexpr std::string_view kCrLf = "\r\n";

// "1" for pixel size 0, else the size in decimal.
std::string bppText(std::uint8_t pixelSize);
// Empty for 72, else "-d" + density.
std::string densitySuffix(std::int16_t density);
// "DENSITY 2 " and its kin; empty for 0, 72 and densities without a keyword.
std::string densityKeyword(std::int16_t density);
// "TRANSPARENTINDEX n" or "TRANSPARENT r g b"; empty when not transparent.
std::string transparencyKeyword(std::uint8_t pixelSize, const BitmapTextValues& v);

// Appends the bitmap's BITMAP line (script mode) or index row (index mode) to the block of the
// current resource; nothing without text. The image file written for it (if any) becomes an image
// record when the caller asked for them.
void appendBitmapText(ExtractionContext& ctx, const BitmapTextValues& v, std::string writtenPath = {});

// Section set-up at the start of a run, and the family statements around a bitmap resource.
void startTextSections(ExtractionContext& ctx);
void beginFamilyStatement(ExtractionContext& ctx, std::string_view keyword, std::uint16_t id);
void endFamilyStatement(ExtractionContext& ctx);
void appendDataStatement(ExtractionContext& ctx, std::string_view escapedType, std::uint16_t id,
                         std::string_view fileName);

// The whole text at the end of a run: sections sorted by ID; empty in no-text mode.
std::string buildScriptText(ExtractionContext& ctx);
std::string buildIndexText(ExtractionContext& ctx);

// Writes the text of the run's mode to textOutputPath.
void writeTextOutput(ExtractionContext& ctx);

}   // namespace tesk
