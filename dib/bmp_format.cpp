#include "bmp_format.h"

#include <cstring>

namespace bmp {

namespace {

// Little-endian fields of the file, read into and written from header
// members of the field's own width.
void Get(const uint8_t* p, uint16_t& v) {
    v = static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Get(const uint8_t* p, uint32_t& v) {
    v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
        (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Get(const uint8_t* p, int32_t& v) {
    // Two's complement without an implementation-defined conversion.
    uint32_t u;
    Get(p, u);
    v = u <= 0x7FFFFFFFu ? static_cast<int32_t>(u) : -static_cast<int32_t>(~u) - 1;
}

void Put(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void Put(uint8_t* p, int32_t v) {
    Put(p, static_cast<uint32_t>(v));
}

// The byte layout of each header, in one place for reading and writing:
// field(offset, member) for every field.
template <class Header, class Field>
void FileHeaderFields(Header& h, Field field) {
    field(0, h.type);
    field(2, h.size);
    field(6, h.reserved1);
    field(8, h.reserved2);
    field(10, h.offBits);
}

template <class Header, class Field>
void InfoHeaderFields(Header& h, Field field) {
    field(0, h.size);
    field(4, h.width);
    field(8, h.height);
    field(12, h.planes);
    field(14, h.bitCount);
    field(16, h.compression);
    field(20, h.sizeImage);
    field(24, h.xPelsPerMeter);
    field(28, h.yPelsPerMeter);
    field(32, h.clrUsed);
    field(36, h.clrImportant);
}

bool IsSupportedBitCount(uint16_t bitCount) {
    switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
        return true;
    default:
        return false;
    }
}

// True when bitCount * width + 31 fits in 32 bits, so that both row sizes
// are exact.
bool RowFits(uint32_t bitCount, uint32_t width) {
    return static_cast<uint64_t>(bitCount) * width + 31 <= UINT32_MAX;
}

}  // namespace

FileHeader ParseFileHeader(const uint8_t* b) {
    FileHeader h;
    FileHeaderFields(h, [b](size_t at, auto& member) { Get(b + at, member); });
    return h;
}

InfoHeader ParseInfoHeader(const uint8_t* b) {
    InfoHeader h;
    InfoHeaderFields(h, [b](size_t at, auto& member) { Get(b + at, member); });
    return h;
}

void StoreFileHeader(const FileHeader& h, uint8_t* b) {
    FileHeaderFields(h, [b](size_t at, const auto& member) { Put(b + at, member); });
}

void StoreInfoHeader(const InfoHeader& h, uint8_t* b) {
    InfoHeaderFields(h, [b](size_t at, const auto& member) { Put(b + at, member); });
}

uint32_t PackedRowBytes(uint32_t bitCount, uint32_t width) {
    uint32_t bits = bitCount * width;
    return bits / 8 + (bits % 8 != 0 ? 1 : 0);
}

uint32_t AlignedRowBytes(uint32_t bitCount, uint32_t width) {
    return (bitCount * width + 31) / 32 * 4;
}

uint16_t ColorTableEntries(uint16_t bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint32_t NumColors(uint32_t clrUsed, uint16_t bitCount) {
    if (clrUsed != 0)
        return clrUsed;
    // Shifting a 32-bit value by 32 or more is undefined; no such count fits.
    return bitCount < 32 ? (uint32_t{1} << bitCount) : 0;
}

uint32_t PaletteEntries(uint32_t clrUsed, uint16_t bitCount, uint32_t tableEntries) {
    if (bitCount > 8)
        return 0;
    uint32_t n = NumColors(clrUsed, bitCount);
    return n < tableEntries ? n : tableEntries;
}

const char* CheckRead(const FileHeader& file, const InfoHeader& info,
                      uint64_t fileBytes, ReadPlan* plan) {
    // Only bytes the file holds are looked at: a file ending before a field
    // is refused before that field is judged.
    if (fileBytes < 2 || file.type != kFileType)
        return kErrorNotDib;
    // biSize tells the header kind before anything else of the info header
    // counts, so a short OS/2 file still gets the header-kind text.
    if (fileBytes < kFileHeaderBytes + 4)
        return kErrorTooShort;
    if (info.size != kInfoHeaderBytes)
        return kErrorOs2Header;
    if (fileBytes < kHeadersBytes)
        return kErrorTooShort;

    // The bits start behind both headers and inside the file, and bfSize
    // covers them and no more than the file holds: the reader then allocates
    // and reads exactly bfSize - bfOffBits bytes that all exist. A larger
    // bfSize than the rows need is fine (trailing bytes are held, unused).
    if (file.offBits < kHeadersBytes)
        return kErrorBitsInHeaders;
    if (file.offBits > fileBytes)
        return kErrorBitsBeyondFile;
    if (file.size < file.offBits)
        return kErrorSizeBeforeBits;
    if (file.size > fileBytes)
        return kErrorTruncated;

    // GDI draws single-plane DIBs only; every writer puts 1 here.
    if (info.planes != 1)
        return kErrorPlanes;
    // Row sizes, colour counts and drawing are defined for these only
    // (0 would mean a JPEG or PNG stream).
    if (!IsSupportedBitCount(info.bitCount))
        return kErrorBitCount;
    // Compressed streams (RLE, JPEG, PNG) have no size that the rows bound;
    // only plain rows, and bit-field masks with 16 or 32 bits, are held.
    bool bitfields = info.compression == kCompressionBitfields;
    if (info.compression != kCompressionRgb &&
        !(bitfields && (info.bitCount == 16 || info.bitCount == 32)))
        return kErrorCompression;

    // A negative height is a top-down file and is kept; INT32_MIN has no
    // magnitude in 32 bits.
    if (info.width <= 0)
        return kErrorWidth;
    if (info.height == 0 || info.height == INT32_MIN)
        return kErrorHeight;
    uint32_t width = static_cast<uint32_t>(info.width);
    uint32_t rows = info.height < 0 ? static_cast<uint32_t>(-info.height)
                                    : static_cast<uint32_t>(info.height);
    if (!RowFits(info.bitCount, width))
        return kErrorTooLarge;
    uint32_t rowBytes = AlignedRowBytes(info.bitCount, width);
    uint64_t imageBytes = static_cast<uint64_t>(rowBytes) * rows;
    if (imageBytes > UINT32_MAX)
        return kErrorTooLarge;

    // Drawing reads every row from the bits.
    uint32_t bitsBytes = file.size - file.offBits;
    if (bitsBytes < imageBytes)
        return kErrorBitsShort;

    // Drawing takes biClrUsed entries (or 1 << bitCount) from a table with
    // room for 256, behind the three masks of a bit-field image. A palette
    // can't use more entries than its pixels can address.
    if (info.clrUsed > kMaxTableEntries)
        return kErrorColorCount;
    if (info.bitCount <= 8 && info.clrUsed > (uint32_t{1} << info.bitCount))
        return kErrorColorCount;
    if (bitfields && info.clrUsed > (kTableReadBytes - kBitfieldMaskBytes) / 4)
        return kErrorColorCount;

    uint64_t afterHeaders = fileBytes - kHeadersBytes;
    plan->tableBytes = afterHeaders < kTableReadBytes
                           ? static_cast<uint32_t>(afterHeaders)
                           : kTableReadBytes;
    plan->bitsOffset = file.offBits;
    plan->bitsBytes = bitsBytes;
    plan->rowBytes = rowBytes;
    plan->rows = rows;
    plan->imageBytes = static_cast<uint32_t>(imageBytes);
    plan->paletteEntries = PaletteEntries(info.clrUsed, info.bitCount, kMaxTableEntries);
    return nullptr;
}

FileHeader MakeFileHeader(const InfoHeader& info) {
    uint32_t entries = ColorTableEntries(info.bitCount);
    FileHeader h;
    h.type = kFileType;
    h.offBits = kHeadersBytes + 4 * entries;
    h.size = h.offBits + AlignedRowBytes(info.bitCount, static_cast<uint32_t>(info.width)) *
                             static_cast<uint32_t>(info.height);
    h.reserved1 = 0;
    h.reserved2 = 0;
    return h;
}

const char* CheckWrite(const InfoHeader& info, size_t infoBlockBytes,
                       size_t bitsBlockBytes, WritePlan* plan) {
    // The written file states bottom-up BI_RGB rows of a supported depth,
    // behind a 40-byte header; anything else would be written wrongly.
    if (info.size != kInfoHeaderBytes)
        return kErrorWriteHeaderSize;
    if (info.height <= 0)
        return kErrorWriteHeight;
    if (info.width <= 0)
        return kErrorWriteWidth;
    if (info.compression != kCompressionRgb)
        return kErrorWriteCompression;
    if (!IsSupportedBitCount(info.bitCount))
        return kErrorWriteBitCount;

    uint32_t width = static_cast<uint32_t>(info.width);
    uint32_t height = static_cast<uint32_t>(info.height);
    if (!RowFits(info.bitCount, width))
        return kErrorWriteTooLarge;
    uint32_t infoBytes = kInfoHeaderBytes + 4 * ColorTableEntries(info.bitCount);
    uint64_t bitsBytes = static_cast<uint64_t>(AlignedRowBytes(info.bitCount, width)) * height;
    if (kFileHeaderBytes + infoBytes + bitsBytes > UINT32_MAX)
        return kErrorWriteTooLarge;

    // Write copies the header and table, then the rows, from the blocks.
    if (infoBlockBytes < infoBytes || bitsBlockBytes < bitsBytes)
        return kErrorWriteBlocks;

    // What is written must read back: the remaining header fields (planes,
    // colour count) are judged as a reader would judge the file.
    FileHeader file = MakeFileHeader(info);
    ReadPlan readBack;
    if (const char* refusal = CheckRead(file, info, file.size, &readBack))
        return refusal;

    plan->fileHeader = file;
    plan->infoBytes = infoBytes;
    plan->bitsBytes = static_cast<uint32_t>(bitsBytes);
    return nullptr;
}

bool AlignRows(uint8_t* bits, size_t bitsBytes, uint16_t bitCount,
               int32_t width, int32_t height) {
    if (width < 0 || !RowFits(bitCount, static_cast<uint32_t>(width)))
        return false;
    if (height <= 0)
        return true;
    uint32_t packed = PackedRowBytes(bitCount, static_cast<uint32_t>(width));
    uint32_t padded = AlignedRowBytes(bitCount, static_cast<uint32_t>(width));
    if (static_cast<uint64_t>(padded) * static_cast<uint32_t>(height) > bitsBytes)
        return false;
    if (packed == padded)
        return true;
    // Last row first: a row's padded place overlaps only rows above it,
    // which have moved already. memmove copes with a row overlapping itself.
    for (size_t r = static_cast<size_t>(height) - 1; r >= 1; --r)
        std::memmove(bits + r * padded, bits + r * packed, packed);
    return true;
}

}  // namespace bmp
