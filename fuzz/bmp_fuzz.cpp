// libFuzzer target for the BMP format core.
//
// The input is a BMP file. It goes through what CDibImage does with a file:
// parse the headers, check, allocate exactly the planned blocks with new[],
// copy the file into them, then touch every byte that drawing, the palette,
// AlignRows and Write would touch. ASan reports any access outside a block.
// A file that Write accepts is written to memory and read back, and must
// come back as the same image.
//
// The same input is also taken as an image held in memory (an info header,
// the colour table of its bit count, the bits), as a device bitmap leaves
// it, and goes through AlignRows, the palette and Write unchecked by a reader.
#include "bmp_format.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Headers are compared with memcmp: no padding may hide in them.
static_assert(sizeof(bmp::InfoHeader) == 40, "InfoHeader has padding");

volatile uint8_t g_sink;

// Reads every byte of [p, p + n), as GDI would.
void Touch(const uint8_t* p, size_t n) {
    uint8_t x = 0;
    for (size_t i = 0; i < n; ++i)
        x ^= p[i];
    g_sink = x;
}

void Fail(const char* what) {
    std::fprintf(stderr, "bmp_fuzz: %s\n", what);
    std::abort();
}

bool IsKnownText(const char* text) {
    size_t n = std::strlen(text);
    return n > 6 && std::strncmp(text, "Error:", 6) == 0 && text[n - 1] == '\n';
}

// The image as CDibImage holds it after a read.
struct Held {
    uint8_t* info = nullptr;   // kReadInfoBlockBytes
    uint8_t* bits = nullptr;   // plan.bitsBytes
    size_t bitsBytes = 0;
    ~Held() {
        delete[] info;
        delete[] bits;
    }
};

// Reads a file the way CDibImage::Read does; false when the core refuses it.
bool ReadFile(const uint8_t* data, size_t size, Held* held, bmp::ReadPlan* plan) {
    // Header buffers zeroed, then filled with what the file has.
    uint8_t headers[bmp::kHeadersBytes] = {};
    std::memcpy(headers, data, size < sizeof headers ? size : sizeof headers);
    bmp::FileHeader file = bmp::ParseFileHeader(headers);
    bmp::InfoHeader info = bmp::ParseInfoHeader(headers + bmp::kFileHeaderBytes);
    if (const char* refusal = bmp::CheckRead(file, info, size, plan)) {
        if (!IsKnownText(refusal))
            Fail("refusal text not of the expected form");
        return false;
    }
    held->info = new uint8_t[bmp::kReadInfoBlockBytes];
    std::memcpy(held->info, headers + bmp::kFileHeaderBytes, bmp::kInfoHeaderBytes);
    std::memcpy(held->info + bmp::kInfoHeaderBytes, data + bmp::kHeadersBytes, plan->tableBytes);
    std::memset(held->info + bmp::kInfoHeaderBytes + plan->tableBytes, 0,
                bmp::kTableReadBytes - plan->tableBytes);
    held->bits = new uint8_t[plan->bitsBytes];
    held->bitsBytes = plan->bitsBytes;
    std::memcpy(held->bits, data + plan->bitsOffset, plan->bitsBytes);
    return true;
}

// What StretchDIBits and SetDIBitsToDevice read, and what the palette takes.
void Draw(const Held& held, const bmp::ReadPlan& plan) {
    bmp::InfoHeader info = bmp::ParseInfoHeader(held.info);
    uint32_t rows = info.height < 0 ? 0u - static_cast<uint32_t>(info.height)
                                    : static_cast<uint32_t>(info.height);
    size_t image = static_cast<size_t>(rows) *
                   bmp::AlignedRowBytes(info.bitCount, static_cast<uint32_t>(info.width));
    Touch(held.bits, image);
    if (image != plan.imageBytes)
        Fail("plan does not match the rows drawing reads");

    // GDI's colour table: masks for bit fields, then biClrUsed entries, or
    // 1 << bitCount entries for 8 or fewer bits per pixel.
    const uint8_t* table = held.info + bmp::kInfoHeaderBytes;
    size_t tableBytes = 0;
    if (info.compression == bmp::kCompressionBitfields)
        tableBytes += bmp::kBitfieldMaskBytes;
    tableBytes += 4 * static_cast<size_t>(
        info.bitCount <= 8 ? bmp::NumColors(info.clrUsed, info.bitCount) : info.clrUsed);
    Touch(table, tableBytes);

    // MakePalette, taking the clamped count; the unclamped count must agree
    // for an accepted file.
    if (info.bitCount <= 8 &&
        plan.paletteEntries != bmp::NumColors(info.clrUsed, info.bitCount))
        Fail("palette count clamped on an accepted file");
    Touch(table, 4 * static_cast<size_t>(plan.paletteEntries));
}

// Write into memory as CDibImage::Write does; empty when refused.
std::vector<uint8_t> Write(const uint8_t* info, size_t infoBytes, uint8_t* bits,
                           size_t bitsBytes) {
    std::vector<uint8_t> out;
    bmp::InfoHeader header = bmp::ParseInfoHeader(info);
    bmp::WritePlan plan;
    if (const char* reason = bmp::CheckWrite(header, infoBytes, bitsBytes, &plan)) {
        if (!IsKnownText(reason))
            Fail("write reason not of the expected form");
        return out;
    }
    out.resize(plan.fileHeader.size);
    bmp::StoreFileHeader(plan.fileHeader, out.data());
    std::memcpy(out.data() + bmp::kFileHeaderBytes, info, plan.infoBytes);
    header.sizeImage = 0;
    bmp::StoreInfoHeader(header, out.data() + bmp::kFileHeaderBytes);
    std::memcpy(out.data() + bmp::kFileHeaderBytes + plan.infoBytes, bits, plan.bitsBytes);
    if (bmp::kFileHeaderBytes + plan.infoBytes + plan.bitsBytes != out.size() ||
        plan.fileHeader.offBits != bmp::kFileHeaderBytes + plan.infoBytes)
        Fail("write plan inconsistent with its file header");
    return out;
}

// A written file must be accepted and give back the same header and rows.
void CheckReadBack(const std::vector<uint8_t>& file, const uint8_t* info,
                   const uint8_t* bits) {
    Held again;
    bmp::ReadPlan plan;
    if (!ReadFile(file.data(), file.size(), &again, &plan))
        Fail("written file refused on reading");
    bmp::InfoHeader before = bmp::ParseInfoHeader(info);
    bmp::InfoHeader after = bmp::ParseInfoHeader(again.info);
    before.sizeImage = 0;
    if (std::memcmp(&before, &after, sizeof before) != 0)
        Fail("written header reads back different");
    if (plan.bitsBytes != plan.imageBytes || std::memcmp(again.bits, bits, plan.imageBytes) != 0)
        Fail("written rows read back different");
    size_t entries = bmp::ColorTableEntries(after.bitCount);
    if (std::memcmp(again.info + bmp::kInfoHeaderBytes, info + bmp::kInfoHeaderBytes, 4 * entries) != 0)
        Fail("written colour table reads back different");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file as CDibImage reads it, drawn, palette taken, written back.
    Held held;
    bmp::ReadPlan plan;
    if (ReadFile(data, size, &held, &plan)) {
        Draw(held, plan);
        bmp::InfoHeader info = bmp::ParseInfoHeader(held.info);
        bmp::AlignRows(held.bits, held.bitsBytes, info.bitCount, info.width, info.height);
        std::vector<uint8_t> out = Write(held.info, bmp::kReadInfoBlockBytes, held.bits, held.bitsBytes);
        if (!out.empty())
            CheckReadBack(out, held.info, held.bits);
    }

    // The write side on its own, with header fields no reader checked: the
    // input's first bytes are an info block shaped as CreateFromBitmap makes
    // it (header and ColorTableEntries entries), the rest a bits block, both
    // held in exactly sized blocks. AlignRows and Write must stay inside them.
    if (size >= bmp::kInfoHeaderBytes) {
        bmp::InfoHeader header = bmp::ParseInfoHeader(data);
        size_t infoBytes = bmp::kInfoHeaderBytes + 4 * size_t{bmp::ColorTableEntries(header.bitCount)};
        if (size >= infoBytes) {
            uint8_t* info = new uint8_t[infoBytes];
            std::memcpy(info, data, infoBytes);
            size_t bitsBytes = size - infoBytes;
            uint8_t* bits = new uint8_t[bitsBytes];
            std::memcpy(bits, data + infoBytes, bitsBytes);
            bmp::AlignRows(bits, bitsBytes, header.bitCount, header.width, header.height);
            uint32_t n = bmp::PaletteEntries(header.clrUsed, header.bitCount,
                                             bmp::ColorTableEntries(header.bitCount));
            Touch(info + bmp::kInfoHeaderBytes, 4 * size_t{n});
            std::vector<uint8_t> out = Write(info, infoBytes, bits, bitsBytes);
            if (!out.empty())
                CheckReadBack(out, info, bits);
            delete[] info;
            delete[] bits;
        }
    }
    return 0;
}
