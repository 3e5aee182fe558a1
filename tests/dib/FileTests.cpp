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
    EXPECT_EQ(CFileException::genericException, error.m_cause);
    EXPECT_EQ(LONG(ERROR_INVALID_PARAMETER), error.m_lOsError);
    CFile badPath;
    EXPECT_FALSE(badPath.Open("C:\\no-such-dir\\x.bin", CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(CFileException::badPath, error.m_cause);

    path.WriteBytes({1, 2, 3, 4, 5});
    // The length each mode leaves, and whether others may then read and write.
    struct { const char* trace; UINT flags; ULONGLONG length; bool othersRead, othersWrite; } cases[] = {
        {"create truncates, sharing nothing", CFile::modeCreate | CFile::modeWrite, 0, false, false},
        {"no-truncate keeps", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite, 5, false, false},
        {"read-write, sharing all", CFile::modeReadWrite | CFile::shareDenyNone, 5, true, true},
        {"write, denying write", CFile::modeWrite | CFile::shareDenyWrite, 5, true, false},
        {"read-write, denying read", CFile::modeReadWrite | CFile::shareDenyRead, 5, false, true},
        {"read, exclusive", CFile::modeRead | CFile::shareExclusive, 5, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        path.WriteBytes({1, 2, 3, 4, 5});
        CFile file;
        ASSERT_TRUE(file.Open(path.Path(), c.flags));
        EXPECT_EQ(c.length, file.GetLength());
        CFile reader, writer;
        EXPECT_EQ(c.othersRead, reader.Open(path.Path(), CFile::modeRead | CFile::shareDenyNone) != FALSE);
        EXPECT_EQ(c.othersWrite, writer.Open(path.Path(), CFile::modeWrite | CFile::shareDenyNone) != FALSE);
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
    EXPECT_THROW(file.GetPosition(), CFileException);
    try {
        file.Read(buf, 1);
        ADD_FAILURE() << "read of a closed file";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::invalidFile, e.m_cause);
    }
}

}  // namespace
