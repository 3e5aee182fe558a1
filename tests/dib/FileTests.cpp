// CFile: opening, reading, writing, seeking and its exceptions.
#include <gtest/gtest.h>

#include "DibTestSupport.h"

namespace {

TEST(File, OpenModes)
{
    TempFile path("modes.bin");
    CFileException error;
    CFile missing;
    EXPECT_FALSE(missing.Open(path.Path(), CFile::modeRead, &error));
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    EXPECT_EQ(LONG(ERROR_FILE_NOT_FOUND), error.m_lOsError);
    CFile noMode;  // the two write flags together name no mode
    EXPECT_FALSE(noMode.Open(path.Path(), CFile::modeWrite | CFile::modeReadWrite | CFile::modeCreate, &error));
    CFile badPath;
    EXPECT_FALSE(badPath.Open("C:\\no-such-dir\\x.bin", CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(CFileException::badPath, error.m_cause);

    path.WriteBytes({1, 2, 3, 4, 5});
    struct { const char* trace; UINT flags; ULONGLONG length; } cases[] = {
        {"create truncates", CFile::modeCreate | CFile::modeWrite, 0},
        {"no-truncate keeps", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite, 5},
        {"read-write of an existing file", CFile::modeReadWrite | CFile::shareDenyNone, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        path.WriteBytes({1, 2, 3, 4, 5});
        CFile file;
        ASSERT_TRUE(file.Open(path.Path(), c.flags));
        EXPECT_EQ(c.length, file.GetLength());
    }
}

TEST(File, ReadWriteSeek)
{
    TempFile path("rws.bin");
    CFile file;
    ASSERT_TRUE(file.Open(path.Path(), CFile::modeCreate | CFile::modeReadWrite));
    file.Write("abcdefgh", 8);
    EXPECT_EQ(8u, file.GetPosition());
    struct { const char* trace; LONG off; UINT from; ULONGLONG pos; char next; } seeks[] = {
        {"from begin", 2, CFile::begin, 2, 'c'},
        {"from current", -2, CFile::current, 1, 'b'},
        {"from end", -1, CFile::end, 7, 'h'},
    };
    for (const auto& s : seeks) {
        SCOPED_TRACE(s.trace);
        EXPECT_EQ(s.pos, file.Seek(s.off, s.from));
        char c = 0;
        EXPECT_EQ(1u, file.Read(&c, 1));
        EXPECT_EQ(s.next, c);
    }
    char buf[8];
    EXPECT_EQ(0u, file.Read(buf, sizeof buf));  // at the end
    EXPECT_THROW(file.Seek(-100, CFile::current), CFileException);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    try {
        file.Read(buf, 1);
        ADD_FAILURE() << "read of a closed file";
    } catch (const CException& e) {
        const CFileException* pFile = dynamic_cast<const CFileException*>(&e);
        ASSERT_NE(nullptr, pFile);
        EXPECT_EQ(CFileException::invalidFile, pFile->m_cause);
    }
}

}  // namespace
