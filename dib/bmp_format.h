// BMP file format core: byte layout of the file and info headers, row sizes,
// colour counts, the checks that decide whether a file can be held and drawn
// safely, the file header of a written image and the row move before a write.
//
// Portable C++ with no Windows header, so that it builds natively for unit
// tests and fuzzing. CDibImage does the file I/O, allocation and GDI calls and
// asks this core everything about the format.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bmp {

// ---- Layout -------------------------------------------------------------

constexpr uint16_t kFileType = 0x4D42;          // "BM"
constexpr uint32_t kFileHeaderBytes = 14;       // BITMAPFILEHEADER on disk
constexpr uint32_t kInfoHeaderBytes = 40;       // BITMAPINFOHEADER
constexpr uint32_t kHeadersBytes = kFileHeaderBytes + kInfoHeaderBytes;  // 54
constexpr uint32_t kMaxTableEntries = 256;
constexpr uint32_t kTableReadBytes = 4 * kMaxTableEntries;               // 1024
// Size of the BITMAPINFO block made when reading a file: the info header and
// room for 256 colour-table entries, whatever the bit count.
constexpr uint32_t kReadInfoBlockBytes = kInfoHeaderBytes + kTableReadBytes;  // 1064

constexpr uint32_t kCompressionRgb = 0;         // BI_RGB
constexpr uint32_t kCompressionBitfields = 3;   // BI_BITFIELDS
constexpr uint32_t kBitfieldMaskBytes = 12;     // three DWORD masks

// The 14-byte file header, field by field.
struct FileHeader {
    uint16_t type;
    uint32_t size;
    uint16_t reserved1;
    uint16_t reserved2;
    uint32_t offBits;
};

// The 40-byte info header, with the widths and signedness of Windows' fields.
struct InfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;          // negative: rows stored top row first
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};

// Little-endian conversion, independent of the host's byte order and struct
// packing. The pointers address kFileHeaderBytes or kInfoHeaderBytes bytes.
FileHeader ParseFileHeader(const uint8_t* bytes);
InfoHeader ParseInfoHeader(const uint8_t* bytes);
void StoreFileHeader(const FileHeader& header, uint8_t* bytes);
void StoreInfoHeader(const InfoHeader& header, uint8_t* bytes);

// ---- Row sizes and colour counts ----------------------------------------

// Both use unsigned 32-bit arithmetic on bitCount * width (it wraps; the
// checks below refuse the images where it would).
// The row without padding: whole bytes covering bitCount * width bits.
uint32_t PackedRowBytes(uint32_t bitCount, uint32_t width);
// The row padded to whole 32-bit words.
uint32_t AlignedRowBytes(uint32_t bitCount, uint32_t width);

// Colour-table entries held in a block and written to a file:
// 2, 16 or 256 for 1, 4 and 8 bits per pixel, 0 for any other bit count.
uint16_t ColorTableEntries(uint16_t bitCount);

// Entries a palette is made of: clrUsed when non-zero, else 1 << bitCount.
// A bit count of 32 or more has no count that fits in 32 bits: 0.
uint32_t NumColors(uint32_t clrUsed, uint16_t bitCount);

// The palette entries that may be taken from a colour table holding
// tableEntries entries: NumColors clamped to tableEntries, and 0 above
// 8 bits per pixel (no palette). Pass kMaxTableEntries for a block made by
// reading a file, ColorTableEntries(bitCount) for a block sized to the bit
// count.
uint32_t PaletteEntries(uint32_t clrUsed, uint16_t bitCount, uint32_t tableEntries);

// ---- Refusal texts --------------------------------------------------------
// Plain texts, each ending in a newline; a refusing check returns one of
// these pointers (compare by pointer or by text).

// Reading.
inline constexpr const char* kErrorNotDib = "Error:Unexpected file type, not a DIB\n";
inline constexpr const char* kErrorOs2Header = "Error:OS2 PM BMP Format not supported\n";
inline constexpr const char* kErrorTooShort = "Error:File too short for the BMP headers\n";
inline constexpr const char* kErrorBitsInHeaders = "Error:Pixel data offset inside the headers\n";
inline constexpr const char* kErrorBitsBeyondFile = "Error:Pixel data offset beyond the end of the file\n";
inline constexpr const char* kErrorSizeBeforeBits = "Error:File size field smaller than the pixel data offset\n";
inline constexpr const char* kErrorTruncated = "Error:File shorter than its size field states\n";
inline constexpr const char* kErrorPlanes = "Error:Only one colour plane supported\n";
inline constexpr const char* kErrorBitCount = "Error:Unsupported bit count\n";
inline constexpr const char* kErrorCompression = "Error:Compressed BMP Format not supported\n";
inline constexpr const char* kErrorWidth = "Error:Image width not positive\n";
inline constexpr const char* kErrorHeight = "Error:Image height zero or out of range\n";
inline constexpr const char* kErrorTooLarge = "Error:Image too large\n";
inline constexpr const char* kErrorBitsShort = "Error:Pixel data shorter than the image rows\n";
inline constexpr const char* kErrorColorCount = "Error:Colour count out of range\n";

// Writing.
inline constexpr const char* kErrorWriteHeaderSize = "Error:Cannot write an info header other than 40 bytes\n";
inline constexpr const char* kErrorWriteHeight = "Error:Cannot write a top-down or empty image\n";
inline constexpr const char* kErrorWriteWidth = "Error:Cannot write an image without width\n";
inline constexpr const char* kErrorWriteCompression = "Error:Cannot write compressed or bit-field pixels\n";
inline constexpr const char* kErrorWriteBitCount = "Error:Cannot write this bit count\n";
inline constexpr const char* kErrorWriteTooLarge = "Error:Image too large to write\n";
inline constexpr const char* kErrorWriteBlocks = "Error:Image blocks smaller than the header states\n";

// ---- Reading ----------------------------------------------------------------

// What the reader does with an accepted file.
struct ReadPlan {
    // Colour-table bytes to read right behind the info header into the
    // kReadInfoBlockBytes block (at most 1024, fewer only when the file ends
    // sooner); the reader zeroes the rest of the table.
    uint32_t tableBytes;
    // Where the pixel bits start, counted from the first byte of the file
    // header, and how many bytes to allocate and read: bfSize - bfOffBits.
    // The file holds all of them.
    uint32_t bitsOffset;
    uint32_t bitsBytes;
    // Geometry of the rows as drawing reads them: rows * rowBytes bytes from
    // the bits, no more than bitsBytes.
    uint32_t rowBytes;
    uint32_t rows;
    uint32_t imageBytes;
    // Palette entries taken from the table (0 above 8 bits per pixel).
    uint32_t paletteEntries;
};

// Decides whether a file can be held: file and info headers as parsed from
// its first 54 bytes (bytes the file does not have may hold anything; they
// are not looked at), and fileBytes, the number of bytes the file holds from
// the first byte of its file header onward. Returns nullptr and fills *plan
// when the file is accepted, else the refusal text (plan untouched). The
// type is judged first and biSize second, as a reader meets them; of several
// faults one fixed text is reported.
const char* CheckRead(const FileHeader& file, const InfoHeader& info,
                      uint64_t fileBytes, ReadPlan* plan);

// ---- Writing ------------------------------------------------------------

// The file header written before an image: bits right behind the info
// header and ColorTableEntries(bitCount) table entries.
FileHeader MakeFileHeader(const InfoHeader& info);

struct WritePlan {
    FileHeader fileHeader;  // MakeFileHeader(info)
    uint32_t infoBytes;     // info header and colour table, from the block
    uint32_t bitsBytes;     // height * AlignedRowBytes, from the bits
};

// Decides whether an image held in an info block of infoBlockBytes bytes and
// a bits block of bitsBlockBytes bytes can be written as a BMP file that
// reads back as the same image. Returns nullptr and fills *plan, else the
// reason (plan untouched): a kErrorWrite text, or the reading text of a
// header field the written file would be refused for (planes, colour
// count). The writer stores the info header with sizeImage 0, then
// infoBytes - 40 table bytes from the block, then bitsBytes bits.
const char* CheckWrite(const InfoHeader& info, size_t infoBlockBytes,
                       size_t bitsBlockBytes, WritePlan* plan);

// Moves rows held packed (PackedRowBytes apart) to the padded stride
// (AlignedRowBytes apart), in place: rows height - 1 down to 1, row 0 stays,
// padding bytes keep what they held. Returns false and moves nothing when the
// width is negative, the row size overflows 32 bits or the block is smaller
// than height * padded bytes; otherwise moves what needs moving (nothing for
// equal strides or a height below 2) and returns true.
bool AlignRows(uint8_t* bits, size_t bitsBytes, uint16_t bitCount,
               int32_t width, int32_t height);

}  // namespace bmp
