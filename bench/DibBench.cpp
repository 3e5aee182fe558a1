// BMP Load and Save of a large picture by CDibImage against reading and
// writing the same bytes with plain file calls. Prints the medians of
// several rounds and their ratios as a Markdown table; asserts nothing.
//   dib_bench [DIRECTORY]     (default: the temporary directory)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "CDibImage.h"
#include "bmp_format.h"

namespace {

const int kWidth = 4096;
const int kHeight = 4096;
const int kRounds = 11;
const double kTarget = 1.15;

double Now()
{
    static const LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The file's bytes: headers as CDibImage writes them, then patterned rows.
std::vector<BYTE> MakeFile()
{
    bmp::InfoHeader info = {bmp::kInfoHeaderBytes, kWidth, kHeight, 1, 24, bmp::kCompressionRgb,
                            0, 0, 0, 0, 0};
    bmp::FileHeader file = bmp::MakeFileHeader(info);
    std::vector<BYTE> bytes(file.size);
    bmp::StoreFileHeader(file, bytes.data());
    bmp::StoreInfoHeader(info, bytes.data() + bmp::kFileHeaderBytes);
    for (size_t i = file.offBits; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + (i >> 12));
    return bytes;
}

// The plain side: the same file calls without the image class. With
// separateRows the rows go into a block of their own behind a small header
// buffer, laid out in memory as the image holds them; otherwise the whole
// file goes into one block. A later read replaces the block, a write writes
// the headers and then the rows.
class PlainPicture {
public:
    explicit PlainPicture(bool separateRows) : m_separateRows(separateRows) {}
    ~PlainPicture() { ::operator delete(m_pBlock); }
    PlainPicture(const PlainPicture&) = delete;
    PlainPicture& operator=(const PlainPicture&) = delete;

    bool Read(const char* path)
    {
        ::operator delete(m_pBlock);
        m_pBlock = nullptr;
        HANDLE h = ::CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        DWORD size = ::GetFileSize(h, nullptr);
        DWORD done = 0;
        bool ok = size > bmp::kHeadersBytes;
        if (ok && m_separateRows) {
            m_rowsBytes = size - bmp::kHeadersBytes;
            m_pBlock = static_cast<BYTE*>(::operator new(m_rowsBytes));
            m_pRows = m_pBlock;
            ok = ::ReadFile(h, m_headers, bmp::kHeadersBytes, &done, nullptr) &&
                 done == bmp::kHeadersBytes &&
                 ::ReadFile(h, m_pRows, m_rowsBytes, &done, nullptr) && done == m_rowsBytes;
        } else if (ok) {
            m_rowsBytes = size - bmp::kHeadersBytes;
            m_pBlock = static_cast<BYTE*>(::operator new(size));
            m_pRows = m_pBlock + bmp::kHeadersBytes;
            ok = ::ReadFile(h, m_pBlock, size, &done, nullptr) && done == size;
        }
        return ::CloseHandle(h) && ok;
    }

    bool Write(const char* path) const
    {
        const BYTE* pHeaders = m_separateRows ? m_headers : m_pBlock;
        return WriteFileBytes(path, pHeaders, m_pRows, m_rowsBytes);
    }

    // The calls a save that never leaves a damaged target makes: a new file
    // beside the target, written in full, then moved over the target.
    bool WriteBesideAndReplace(const char* folder, const char* path) const
    {
        char temp[MAX_PATH];
        if (::GetTempFileNameA(folder, "dib", 0, temp) == 0)
            return false;
        if (Write(temp) && ::MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING))
            return true;
        ::DeleteFileA(temp);
        return false;
    }

    static bool WriteFileBytes(const char* path, const BYTE* pHeaders, const BYTE* pRows,
                               DWORD rowsBytes)
    {
        HANDLE h = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        DWORD done = 0;
        bool ok = ::WriteFile(h, pHeaders, bmp::kHeadersBytes, &done, nullptr) &&
                  ::WriteFile(h, pRows, rowsBytes, &done, nullptr);
        return ::CloseHandle(h) && ok;
    }

private:
    bool m_separateRows;
    BYTE m_headers[bmp::kHeadersBytes] = {};
    BYTE* m_pBlock = nullptr;
    BYTE* m_pRows = nullptr;
    DWORD m_rowsBytes = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        dir = temp;
    }
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    std::string prefix = dir + "dib-bench-" + std::to_string(::GetCurrentProcessId());
    std::string source = prefix + "-source.bmp";
    std::string plainOut = prefix + "-plain.bmp";
    std::string imageOut = prefix + "-image.bmp";
    std::vector<BYTE> bytes = MakeFile();
    if (!PlainPicture::WriteFileBytes(source.c_str(), bytes.data(), bytes.data() + bmp::kHeadersBytes,
                                      static_cast<DWORD>(bytes.size() - bmp::kHeadersBytes))) {
        std::printf("dib_bench: cannot write %s\n", source.c_str());
        return 1;
    }

    CDibImage image;
    PlainPicture rowsBlock(true), oneBlock(false);
    std::vector<double> load, rowsRead, oneRead, save, rowsWrite, oneWrite, inPlaceWrite;
    bool ok = true;
    auto timed = [&ok](std::vector<double>& times, auto&& operation) {
        double t0 = Now();
        ok = ok && operation();
        times.push_back(Now() - t0);
    };
    struct Step {
        std::vector<double>* times;
        std::function<bool()> run;
    };
    const Step reads[] = {
        {&load, [&] { return image.Load(source.c_str()) != FALSE; }},
        {&rowsRead, [&] { return rowsBlock.Read(source.c_str()); }},
        {&oneRead, [&] { return oneBlock.Read(source.c_str()); }},
    };
    const Step writes[] = {
        {&save, [&] { return image.Save(imageOut.c_str()) != FALSE; }},
        {&rowsWrite, [&] { return rowsBlock.WriteBesideAndReplace(dir.c_str(), plainOut.c_str()); }},
        {&oneWrite, [&] { return oneBlock.WriteBesideAndReplace(dir.c_str(), plainOut.c_str()); }},
        {&inPlaceWrite, [&] { return rowsBlock.Write(plainOut.c_str()); }},
    };
    const int nReads = sizeof reads / sizeof reads[0];
    const int nWrites = sizeof writes / sizeof writes[0];
    // Interleaved, each side first in turn, so that a slow spell of the
    // machine or the flushing of an earlier write hits every side alike.
    for (int round = 0; round < kRounds && ok; ++round) {
        for (int i = 0; i < nReads; ++i)
            timed(*reads[(round + i) % nReads].times, reads[(round + i) % nReads].run);
        for (int i = 0; i < nWrites; ++i)
            timed(*writes[(round + i) % nWrites].times, writes[(round + i) % nWrites].run);
    }
    ::DeleteFileA(source.c_str());
    ::DeleteFileA(plainOut.c_str());
    ::DeleteFileA(imageOut.c_str());
    if (!ok) {
        std::printf("dib_bench: a round failed\n");
        return 1;
    }

    std::printf("## dib_bench: BMP file of %d x %d pixels at 24 bits (%.1f MiB)\n\n",
                kWidth, kHeight, bytes.size() / 1048576.0);
    std::printf("Files in %s; median of %d rounds. The plain side makes the same file calls "
                "without the class (CreateFile, ReadFile or WriteFile of the 54 header bytes "
                "and of the rows, CloseHandle), the rows in a block of their own as the image "
                "holds them; the target for that ratio is %.2f or less. For comparison, plain "
                "calls that keep the whole file in one block. Save writes a new file beside "
                "the target and moves it over the target once it is complete, so the plain "
                "side of Save does the same (GetTempFileName, the writes, MoveFileEx).\n\n",
                dir.c_str(), kRounds, kTarget);
    std::printf("| operation | CDibImage (ms) | plain (ms) | ratio | plain, one block (ms) | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    struct { const char* name; double mine, rows, one; } rows[] = {
        {"Load", Median(load), Median(rowsRead), Median(oneRead)},
        {"Save", Median(save), Median(rowsWrite), Median(oneWrite)},
    };
    for (const auto& r : rows)
        std::printf("| %s | %.2f | %.2f | %.3f | %.2f | %.3f |\n", r.name, r.mine, r.rows,
                    r.mine / r.rows, r.one, r.mine / r.one);
    std::printf("\nThe price of never leaving a damaged target: the same rows written in place "
                "(CREATE_ALWAYS over the target) take %.2f ms; Save takes %.3f times that.\n",
                Median(inPlaceWrite), Median(save) / Median(inPlaceWrite));
    return 0;
}
