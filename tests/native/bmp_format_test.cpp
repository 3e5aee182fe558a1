// Native tests of the BMP format core.
#include "bmp_format.h"
#include "CaseNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// A BMP file as parts, so that a test can spoil one field and keep the rest.
struct TestFile {
    bmp::FileHeader file{};
    bmp::InfoHeader info{};
    Bytes table;                   // masks and/or colour table
    Bytes bits;
    size_t keepBytes = SIZE_MAX;   // cut the file after this many bytes

    Bytes Serialise() const {
        Bytes out(bmp::kHeadersBytes);
        bmp::StoreFileHeader(file, out.data());
        bmp::StoreInfoHeader(info, out.data() + bmp::kFileHeaderBytes);
        out.insert(out.end(), table.begin(), table.end());
        out.insert(out.end(), bits.begin(), bits.end());
        if (out.size() > keepBytes)
            out.resize(keepBytes);
        return out;
    }
};

// A file as a careful writer makes it: table sized by biClrUsed or the bit
// count, masks for bit fields, bits right behind, bfSize the file's length.
TestFile WellMade(uint16_t bitCount, int32_t width, int32_t height,
                  uint32_t compression = bmp::kCompressionRgb, uint32_t clrUsed = 0) {
    TestFile t;
    t.info = {40, width, height, 1, bitCount, compression, 0, 2835, 2835, clrUsed, 0};
    size_t entries = bitCount <= 8 ? (clrUsed ? clrUsed : 1u << bitCount) : clrUsed;
    size_t tableBytes = 4 * entries;
    if (compression == bmp::kCompressionBitfields)
        tableBytes += bmp::kBitfieldMaskBytes;
    for (size_t i = 0; i < tableBytes; ++i)
        t.table.push_back(static_cast<uint8_t>(i * 13 + 1));
    size_t rows = static_cast<size_t>(height < 0 ? -static_cast<int64_t>(height) : height);
    size_t bitsBytes = rows * bmp::AlignedRowBytes(bitCount, static_cast<uint32_t>(width));
    for (size_t i = 0; i < bitsBytes; ++i)
        t.bits.push_back(static_cast<uint8_t>(i * 7 + 3));
    t.file.type = bmp::kFileType;
    t.file.offBits = static_cast<uint32_t>(bmp::kHeadersBytes + tableBytes);
    t.file.size = static_cast<uint32_t>(t.file.offBits + bitsBytes);
    return t;
}

// Checks a file as the reader does: headers parsed from the bytes the file
// has, the rest of the 54 bytes zero.
const char* CheckBytes(const Bytes& bytes, bmp::ReadPlan* plan) {
    uint8_t headers[bmp::kHeadersBytes] = {};
    std::memcpy(headers, bytes.data(), std::min(bytes.size(), sizeof headers));
    return bmp::CheckRead(bmp::ParseFileHeader(headers),
                          bmp::ParseInfoHeader(headers + bmp::kFileHeaderBytes),
                          bytes.size(), plan);
}

std::string Text(const char* p) { return p ? p : "(accepted)"; }

// ---- Row sizes and colour counts ------------------------------------------

TEST(RowBytes, PackedAndAlignedTable) {
    struct Row { uint32_t bitCount, width, packed, aligned; };
    const Row rows[] = {
        {1, 9, 2, 4},     {1, 32, 4, 4},   {1, 33, 5, 8},
        {4, 5, 3, 4},     {4, 8, 4, 4},
        {8, 355, 355, 356}, {8, 4, 4, 4},  {8, 3, 3, 4},
        {16, 3, 6, 8},    {24, 5, 15, 16}, {24, 4, 12, 12},
        {32, 7, 28, 28},  {8, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.bitCount << " bits x " << r.width);
        EXPECT_EQ(r.packed, bmp::PackedRowBytes(r.bitCount, r.width));
        EXPECT_EQ(r.aligned, bmp::AlignedRowBytes(r.bitCount, r.width));
    }
}

TEST(ColorCounts, TableEntriesNumColorsAndPalette) {
    struct Row { uint16_t bitCount; uint32_t clrUsed; uint16_t entries; uint32_t numColors, palette; };
    const Row rows[] = {
        {1, 0, 2, 2, 2},       {4, 0, 16, 16, 16},   {8, 0, 256, 256, 256},
        {8, 255, 256, 255, 255}, {1, 2, 2, 2, 2},
        {2, 0, 0, 4, 4},       {0, 0, 0, 1, 1},
        // Above 8 bits there is no palette, and no table held for it.
        {16, 0, 0, 65536, 0},  {24, 0, 0, 1u << 24, 0}, {24, 7, 0, 7, 0},
        // No count of 32 or more bits fits in 32 bits.
        {32, 0, 0, 0, 0},      {64, 0, 0, 0, 0},     {65535, 0, 0, 0, 0},
        // A count beyond the 256-entry table is clamped for the palette.
        {8, 300, 256, 300, 256},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.bitCount << " bits, clrUsed " << r.clrUsed);
        EXPECT_EQ(r.entries, bmp::ColorTableEntries(r.bitCount));
        EXPECT_EQ(r.numColors, bmp::NumColors(r.clrUsed, r.bitCount));
        EXPECT_EQ(r.palette, bmp::PaletteEntries(r.clrUsed, r.bitCount, bmp::kMaxTableEntries));
    }
    // A block made for a device bitmap holds ColorTableEntries entries only:
    // a 2-bit one holds none, and clrUsed can't reach past the table.
    EXPECT_EQ(0u, bmp::PaletteEntries(0, 2, bmp::ColorTableEntries(2)));
    EXPECT_EQ(16u, bmp::PaletteEntries(200, 4, bmp::ColorTableEntries(4)));
}

// ---- Header layout --------------------------------------------------------

TEST(Headers, ParseAndStoreLittleEndian) {
    const uint8_t fileBytes[14] = {'B', 'M', 0x46, 0xF3, 0x01, 0x00, 0x34, 0x12,
                                   0x78, 0x56, 0x36, 0x04, 0x00, 0x00};
    bmp::FileHeader f = bmp::ParseFileHeader(fileBytes);
    EXPECT_EQ(0x4D42, f.type);
    EXPECT_EQ(127814u, f.size);
    EXPECT_EQ(0x1234, f.reserved1);
    EXPECT_EQ(0x5678, f.reserved2);
    EXPECT_EQ(1078u, f.offBits);
    uint8_t back[14];
    bmp::StoreFileHeader(f, back);
    EXPECT_EQ(0, std::memcmp(fileBytes, back, sizeof back));

    const uint8_t infoBytes[40] = {
        40, 0, 0, 0,            0x63, 0x01, 0, 0,        0xFD, 0xFF, 0xFF, 0xFF,
        1, 0,  8, 0,            3, 0, 0, 0,              0x10, 0xF0, 0x01, 0,
        0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80,  0xFF, 0, 0, 0,
        0x01, 0x02, 0x03, 0x04};
    bmp::InfoHeader h = bmp::ParseInfoHeader(infoBytes);
    EXPECT_EQ(40u, h.size);
    EXPECT_EQ(355, h.width);
    EXPECT_EQ(-3, h.height);
    EXPECT_EQ(1, h.planes);
    EXPECT_EQ(8, h.bitCount);
    EXPECT_EQ(3u, h.compression);
    EXPECT_EQ(0x1F010u, h.sizeImage);
    EXPECT_EQ(-1, h.xPelsPerMeter);
    EXPECT_EQ(INT32_MIN, h.yPelsPerMeter);
    EXPECT_EQ(255u, h.clrUsed);
    EXPECT_EQ(0x04030201u, h.clrImportant);
    uint8_t infoBack[40];
    bmp::StoreInfoHeader(h, infoBack);
    EXPECT_EQ(0, std::memcmp(infoBytes, infoBack, sizeof infoBack));
}

// ---- Reading ----------------------------------------------------------------

struct HostileCase { const char* trace; std::function<void(TestFile&)> spoil; const char* text; };

std::vector<HostileCase> HostileFiles() {
    return {
        {"type PK", [](TestFile& t) { t.file.type = 0x4B50; }, bmp::kErrorNotDib},
        {"empty file", [](TestFile& t) { t.keepBytes = 0; }, bmp::kErrorNotDib},
        {"ends in the file header", [](TestFile& t) { t.keepBytes = 10; }, bmp::kErrorTooShort},
        {"ends before biSize's end", [](TestFile& t) { t.keepBytes = 17; }, bmp::kErrorTooShort},
        {"OS/2 header cut before biSize's end", [](TestFile& t) { t.info.size = 12; t.keepBytes = 17; }, bmp::kErrorTooShort},
        {"OS/2 header, short file", [](TestFile& t) { t.info.size = 12; t.keepBytes = 40; }, bmp::kErrorOs2Header},
        {"V4 header", [](TestFile& t) { t.info.size = 108; }, bmp::kErrorOs2Header},
        {"V5 header", [](TestFile& t) { t.info.size = 124; }, bmp::kErrorOs2Header},
        {"ends in the info header", [](TestFile& t) { t.keepBytes = 53; }, bmp::kErrorTooShort},
        {"bits at 53", [](TestFile& t) { t.file.offBits = 53; }, bmp::kErrorBitsInHeaders},
        {"bits beyond the end", [](TestFile& t) { t.file.offBits = t.file.size + 1; }, bmp::kErrorBitsBeyondFile},
        {"bits at 4 GB", [](TestFile& t) { t.file.offBits = 0xFFFFFFFF; }, bmp::kErrorBitsBeyondFile},
        {"bfSize below bfOffBits", [](TestFile& t) { t.file.size = t.file.offBits - 1; }, bmp::kErrorSizeBeforeBits},
        {"file cut before bfSize", [](TestFile& t) { t.keepBytes = t.file.size - 1; }, bmp::kErrorTruncated},
        {"bfSize 4 GB", [](TestFile& t) { t.file.size = 0xFFFFFFFF; }, bmp::kErrorTruncated},
        {"planes 2", [](TestFile& t) { t.info.planes = 2; }, bmp::kErrorPlanes},
        {"0 bits (JPEG/PNG)", [](TestFile& t) { t.info.bitCount = 0; }, bmp::kErrorBitCount},
        {"2 bits", [](TestFile& t) { t.info.bitCount = 2; }, bmp::kErrorBitCount},
        {"64 bits", [](TestFile& t) { t.info.bitCount = 64; }, bmp::kErrorBitCount},
        {"RLE8", [](TestFile& t) { t.info.compression = 1; }, bmp::kErrorCompression},
        {"bit fields at 8 bits", [](TestFile& t) { t.info.compression = 3; }, bmp::kErrorCompression},
        {"bit fields at 24 bits", [](TestFile& t) { t.info.bitCount = 24; t.info.compression = 3; }, bmp::kErrorCompression},
        {"JPEG", [](TestFile& t) { t.info.compression = 4; }, bmp::kErrorCompression},
        {"PNG", [](TestFile& t) { t.info.compression = 5; }, bmp::kErrorCompression},
        {"width 0", [](TestFile& t) { t.info.width = 0; }, bmp::kErrorWidth},
        {"width -3", [](TestFile& t) { t.info.width = -3; }, bmp::kErrorWidth},
        {"height 0", [](TestFile& t) { t.info.height = 0; }, bmp::kErrorHeight},
        {"height INT32_MIN", [](TestFile& t) { t.info.height = INT32_MIN; }, bmp::kErrorHeight},
        {"row bits overflow", [](TestFile& t) { t.info.bitCount = 32; t.info.width = 0x08000000; }, bmp::kErrorTooLarge},
        {"row + 31 overflows", [](TestFile& t) { t.info.bitCount = 24; t.info.width = 178956970; }, bmp::kErrorTooLarge},
        {"rows overflow", [](TestFile& t) { t.info.bitCount = 32; t.info.width = 0x07FFFFFF; t.info.height = 9; }, bmp::kErrorTooLarge},
        {"top-down rows overflow", [](TestFile& t) { t.info.bitCount = 32; t.info.width = 0x07FFFFFF; t.info.height = -9; }, bmp::kErrorTooLarge},
        {"bits one byte short", [](TestFile& t) { t.bits.pop_back(); t.file.size -= 1; }, bmp::kErrorBitsShort},
        {"no bits", [](TestFile& t) { t.bits.clear(); t.file.size = t.file.offBits; }, bmp::kErrorBitsShort},
        {"top-down, one row short", [](TestFile& t) { t.info.height = -3; }, bmp::kErrorBitsShort},
        {"clrUsed 257", [](TestFile& t) { t.info.clrUsed = 257; }, bmp::kErrorColorCount},
        {"4 bits, clrUsed 17", [](TestFile& t) { t.info.bitCount = 4; t.info.clrUsed = 17; }, bmp::kErrorColorCount},
        {"1 bit, clrUsed 3", [](TestFile& t) { t.info.bitCount = 1; t.info.clrUsed = 3; }, bmp::kErrorColorCount},
        {"24 bits, clrUsed 257", [](TestFile& t) { t.info.bitCount = 24; t.info.width = 1; t.info.clrUsed = 257; }, bmp::kErrorColorCount},
        {"32-bit fields, clrUsed 254", [](TestFile& t) { t.info.bitCount = 32; t.info.width = 1; t.info.compression = 3;
                                                         t.info.clrUsed = 254; }, bmp::kErrorColorCount},
    };
}

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.trace; }

class HostileFile : public ::testing::TestWithParam<HostileCase> {};

// A well-made 8-bit file with one field spoiled is refused with its text.
TEST_P(HostileFile, IsRefusedWithItsText) {
    TestFile t = WellMade(8, 3, 2);
    GetParam().spoil(t);
    bmp::ReadPlan plan{};
    EXPECT_EQ(Text(GetParam().text), Text(CheckBytes(t.Serialise(), &plan)));
}

INSTANTIATE_TEST_SUITE_P(CheckRead, HostileFile, ::testing::ValuesIn(HostileFiles()), NameCaseByTrace());

struct WellMadeCase {
    const char* trace;
    TestFile file;
    uint32_t tableBytes, bitsBytes, rowBytes, rows, palette;
};

std::vector<WellMadeCase> WellMadeFiles() {
    TestFile bigger = WellMade(24, 3, 2);
    bigger.bits.resize(bigger.bits.size() + 10);
    bigger.file.size += 10;
    TestFile biggerInfo = WellMade(24, 3, 2);
    biggerInfo.info.sizeImage = 0xFFFFFFFF;   // not looked at
    return {
        {"1 bit 9x3", WellMade(1, 9, 3), 20, 12, 4, 3, 2},
        {"4 bits 5x4", WellMade(4, 5, 4), 80, 16, 4, 4, 16},
        {"8 bits 355x356", WellMade(8, 355, 356), 1024, 356 * 356, 356, 356, 256},
        {"8 bits clrUsed 255", WellMade(8, 6, 2, 0, 255), 1024, 16, 8, 2, 255},
        {"8 bits clrUsed 256", WellMade(8, 6, 2, 0, 256), 1024, 16, 8, 2, 256},
        {"4 bits clrUsed 16", WellMade(4, 6, 2, 0, 16), 72, 8, 4, 2, 16},
        {"16 bits", WellMade(16, 5, 3), 36, 36, 12, 3, 0},
        {"16-bit fields", WellMade(16, 5, 3, 3), 48, 36, 12, 3, 0},
        {"24 bits 5x3, shorter than a table", WellMade(24, 5, 3), 48, 48, 16, 3, 0},
        {"24 bits top-down", WellMade(24, 4, -3), 36, 36, 12, 3, 0},
        {"24 bits clrUsed 256", WellMade(24, 1, 1, 0, 256), 1024, 4, 4, 1, 0},
        {"24 bits, bfSize beyond the rows", bigger, 34, 34, 12, 2, 0},
        {"24 bits, any biSizeImage", biggerInfo, 24, 24, 12, 2, 0},
        {"32 bits", WellMade(32, 4, 2), 32, 32, 16, 2, 0},
        {"32-bit fields top-down", WellMade(32, 4, -2, 3), 44, 32, 16, 2, 0},
        {"32-bit fields clrUsed 253", WellMade(32, 1, 1, 3, 253), 1024, 4, 4, 1, 0},
    };
}

void PrintTo(const WellMadeCase& c, std::ostream* os) { *os << c.trace; }

class WellMadeFile : public ::testing::TestWithParam<WellMadeCase> {};

// Every kind of file the reader holds is accepted with the read plan its
// layout gives.
TEST_P(WellMadeFile, IsAcceptedWithItsReadPlan) {
    const WellMadeCase& r = GetParam();
    Bytes bytes = r.file.Serialise();
    bmp::ReadPlan plan{};
    ASSERT_EQ(Text(nullptr), Text(CheckBytes(bytes, &plan)));
    EXPECT_EQ(r.tableBytes, plan.tableBytes);
    EXPECT_EQ(r.file.file.offBits, plan.bitsOffset);
    EXPECT_EQ(r.bitsBytes, plan.bitsBytes);
    EXPECT_EQ(r.rowBytes, plan.rowBytes);
    EXPECT_EQ(r.rows, plan.rows);
    EXPECT_EQ(r.rows * r.rowBytes, plan.imageBytes);
    EXPECT_EQ(r.palette, plan.paletteEntries);
    EXPECT_LE(uint64_t{plan.bitsOffset} + plan.bitsBytes, bytes.size());
}


INSTANTIATE_TEST_SUITE_P(CheckRead, WellMadeFile, ::testing::ValuesIn(WellMadeFiles()), NameCaseByTrace());

// ---- Writing ----------------------------------------------------------------

bmp::InfoHeader Info(uint16_t bitCount, int32_t width, int32_t height, uint32_t clrUsed = 0) {
    return {40, width, height, 1, bitCount, bmp::kCompressionRgb, 0, 0, 0, clrUsed, 0};
}

TEST(Write, FileHeaderFigures) {
    struct Row { const char* trace; bmp::InfoHeader info; uint32_t offBits, size, infoBytes; };
    const Row rows[] = {
        {"8 bits 355x356", Info(8, 355, 356), 1078, 127814, 1064},
        {"8 bits 100x30", Info(8, 100, 30), 1078, 4078, 1064},
        {"8 bits clrUsed 255", Info(8, 6, 2, 255), 1078, 1094, 1064},
        {"4 bits 5x4", Info(4, 5, 4), 118, 134, 104},
        {"1 bit 9x3", Info(1, 9, 3), 62, 74, 48},
        {"24 bits 5x3", Info(24, 5, 3), 54, 102, 40},
        {"16 bits 5x3", Info(16, 5, 3), 54, 90, 40},
        {"32 bits 4x2", Info(32, 4, 2), 54, 86, 40},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.trace);
        bmp::FileHeader f = bmp::MakeFileHeader(r.info);
        EXPECT_EQ(0x4D42, f.type);
        EXPECT_EQ(r.offBits, f.offBits);
        EXPECT_EQ(r.size, f.size);
        EXPECT_EQ(0, f.reserved1);
        EXPECT_EQ(0, f.reserved2);

        // Held as a file read would leave it: a 1064-byte block, bits exact.
        bmp::WritePlan plan{};
        uint32_t bitsBytes = r.size - r.offBits;
        ASSERT_EQ(Text(nullptr), Text(bmp::CheckWrite(r.info, bmp::kReadInfoBlockBytes, bitsBytes, &plan)));
        EXPECT_EQ(r.size, plan.fileHeader.size);
        EXPECT_EQ(r.offBits, plan.fileHeader.offBits);
        EXPECT_EQ(r.infoBytes, plan.infoBytes);
        EXPECT_EQ(bitsBytes, plan.bitsBytes);
    }
}

TEST(Write, RefusesWhatItCannotWrite) {
    struct Row { const char* trace; bmp::InfoHeader info; size_t infoBlock, bitsBlock; const char* text; };
    auto with = [](bmp::InfoHeader h, std::function<void(bmp::InfoHeader&)> f) { f(h); return h; };
    const bmp::InfoHeader base = Info(8, 3, 2);
    const Row rows[] = {
        {"header 108 bytes", with(base, [](auto& h) { h.size = 108; }), 1064, 8, bmp::kErrorWriteHeaderSize},
        {"top-down", with(base, [](auto& h) { h.height = -2; }), 1064, 8, bmp::kErrorWriteHeight},
        {"height 0", with(base, [](auto& h) { h.height = 0; }), 1064, 8, bmp::kErrorWriteHeight},
        {"width 0", with(base, [](auto& h) { h.width = 0; }), 1064, 8, bmp::kErrorWriteWidth},
        {"width negative", with(base, [](auto& h) { h.width = -3; }), 1064, 8, bmp::kErrorWriteWidth},
        {"RLE8", with(base, [](auto& h) { h.compression = 1; }), 1064, 8, bmp::kErrorWriteCompression},
        {"32-bit fields", with(Info(32, 1, 2), [](auto& h) { h.compression = 3; }), 1064, 8, bmp::kErrorWriteCompression},
        {"2 bits", with(base, [](auto& h) { h.bitCount = 2; }), 1064, 8, bmp::kErrorWriteBitCount},
        {"row overflow", Info(32, 0x08000000, 1), 1064, 8, bmp::kErrorWriteTooLarge},
        {"file size overflow", Info(32, 0x07FFFFFF, 8), 1064, 8, bmp::kErrorWriteTooLarge},
        {"table not held", base, 40, 8, bmp::kErrorWriteBlocks},
        {"bits one byte short", base, 1064, 7, bmp::kErrorWriteBlocks},
        {"planes 2", with(base, [](auto& h) { h.planes = 2; }), 1064, 8, bmp::kErrorPlanes},
        {"clrUsed 300", with(base, [](auto& h) { h.clrUsed = 300; }), 1064, 8, bmp::kErrorColorCount},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.trace);
        bmp::WritePlan plan{};
        EXPECT_EQ(Text(r.text), Text(bmp::CheckWrite(r.info, r.infoBlock, r.bitsBlock, &plan)));
    }
}

TEST(Write, BlockShapedForADeviceBitmapIsEnough) {
    // A 1-bit image made from a device bitmap: 2 table entries, bits sized
    // as for 8 bits per pixel.
    bmp::WritePlan plan{};
    EXPECT_EQ(Text(nullptr), Text(bmp::CheckWrite(Info(1, 9, 3), 48, 3 * 12, &plan)));
    EXPECT_EQ(48u, plan.infoBytes);
    EXPECT_EQ(12u, plan.bitsBytes);
}

// ---- Row move ---------------------------------------------------------------

TEST(AlignRows, ThreeWideTwoRowEightBit) {
    Bytes block = {0, 1, 2, 3, 4, 5, 0xAA, 0xBB};
    ASSERT_TRUE(bmp::AlignRows(block.data(), block.size(), 8, 3, 2));
    // Bytes 3..5 go to 4..6; byte 3 and byte 7 are padding and keep their values.
    EXPECT_EQ((Bytes{0, 1, 2, 3, 3, 4, 5, 0xBB}), block);
}

TEST(AlignRows, MovesEveryRowToItsPaddedPlace) {
    struct Row { uint16_t bitCount; int32_t width, height; };
    const Row rows[] = {{1, 9, 3}, {4, 5, 4}, {8, 3, 5}, {8, 355, 4}, {16, 3, 3}, {24, 5, 3}, {24, 1, 6}};
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.bitCount << " bits " << r.width << "x" << r.height);
        uint32_t packed = bmp::PackedRowBytes(r.bitCount, r.width);
        uint32_t padded = bmp::AlignedRowBytes(r.bitCount, r.width);
        Bytes original(padded * r.height);
        for (size_t i = 0; i < original.size(); ++i)
            original[i] = static_cast<uint8_t>(i * 31 + 7);
        Bytes expected = original;
        for (int32_t row = 1; row < r.height; ++row)
            for (uint32_t i = 0; i < packed; ++i)
                expected[row * padded + i] = original[row * packed + i];
        Bytes block = original;
        ASSERT_TRUE(bmp::AlignRows(block.data(), block.size(), r.bitCount, r.width, r.height));
        EXPECT_EQ(expected, block);
    }
}

TEST(AlignRows, LeavesOrRefuses) {
    struct Row { const char* trace; uint16_t bitCount; int32_t width, height; size_t bytes; bool result; };
    const Row rows[] = {
        {"8 bits, width 4: strides equal", 8, 4, 3, 12, true},
        {"24 bits, width 4: strides equal", 24, 4, 3, 36, true},
        {"32 bits: strides equal", 32, 3, 2, 24, true},
        {"one row", 8, 3, 1, 4, true},
        {"height 0", 8, 3, 0, 8, true},
        {"top-down", 8, 3, -2, 8, true},
        {"block one byte short", 8, 3, 2, 7, false},
        {"block short, strides equal", 8, 4, 3, 11, false},
        {"width 0", 8, 0, 2, 8, true},
        {"width -1", 8, -1, 2, 8, false},
        {"row size at the 32-bit edge: 32 x 0x07FFFFFF + 31 is 0xFFFFFFFF", 32, 0x07FFFFFF, 0, 8, true},
        {"row size overflows", 32, 0x08000000, 2, 8, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.trace);
        Bytes block(r.bytes);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>(i + 1);
        Bytes before = block;
        EXPECT_EQ(r.result, bmp::AlignRows(block.data(), block.size(), r.bitCount, r.width, r.height));
        EXPECT_EQ(before, block);
    }
}

}  // namespace
