// The benchmark inputs, built with the test builders: pictures like icons and skin parts, and the
// three kinds of database the comparison runs on. Seeded: the same bytes on every run.
#pragma once

#include <random>

#include "support/prc_builder.hpp"

namespace tesk::bench {

// One application: 40 bitmaps of every depth and compression, plus code resources (~100 KB).
test::Bytes appDatabase(std::mt19937& rng);
// One skin: 2,000 uncompressed 8- and 16-bit bitmaps (~23 MB).
test::Bytes skinDatabase(std::mt19937& rng);
// One small program: 3 to 6 icons of 1 to 8 bits and two data resources; `icons` says how many.
test::Bytes smallDatabase(std::mt19937& rng, int number, int& icons);
// One small colour program: 3 to 6 bitmaps of 8 and 16 bits, 24 to 160 pixels a side, shaded
// across the whole picture rather than flat; `bitmaps` says how many.
test::Bytes colourDatabase(std::mt19937& rng, int number, int& bitmaps);

// How many databases of each kind the comparison makes.
inline constexpr int kSmallDatabases = 500;
inline constexpr int kColourDatabases = 200;

}   // namespace tesk::bench
