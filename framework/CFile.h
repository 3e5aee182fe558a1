// A file on disk. CFile wraps one file handle; every method forwards to one
// Win32 call. Opening reports failure by result (and fills an optional
// exception record); every later failure of an opened file throws a
// CFileException by value, to be caught by reference.
#pragma once
#include <windows.h>

// Base of the framework's exceptions.
class CException {
public:
    virtual ~CException() = default;
};

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1)
        : m_cause(cause), m_lOsError(lOsError) {}

    // The cause for a Win32 error code (GetLastError).
    static int OsErrorToException(LONG lOsError);

    int m_cause;
    LONG m_lOsError;
};

class CFile {
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000
    };
    enum SeekPosition { begin = 0x0, current = 0x1, end = 0x2 };

    CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    HANDLE m_hFile;
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Opens (or with modeCreate creates, truncating unless modeNoTruncate)
    // the file. FALSE when it can't; *pError then says why.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Bytes read; fewer than nCount at the end of the file.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Writes all nCount bytes or throws.
    virtual void Write(const void* lpBuf, UINT nCount);
    // Moves the position by lOff from begin, current or end; returns the
    // new position.
    virtual ULONGLONG Seek(LONG lOff, UINT nFrom);
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    // Closes the file; a failing close throws. The destructor closes quietly.
    virtual void Close();
};
