// One owner for each raw handle: a CScopedHandle closes its handle, the way
// its traits say, when it goes, unless the handle was released. A handle the
// code does not own stays raw, or is lent to a framework wrapper that takes
// one with CBorrowed, which never deletes it.
#pragma once
#include <windows.h>
#include <utility>

template <class Traits>
class CScopedHandle {
public:
    using Handle = typename Traits::Handle;

    explicit CScopedHandle(Handle h = Traits::Invalid()) : m_h(h) {}
    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.Release()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~CScopedHandle() { Reset(); }

    Handle Get() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid(); }
    // Gives the handle up without closing it.
    Handle Release() { return std::exchange(m_h, Traits::Invalid()); }
    // Closes the handle held and takes h.
    void Reset(Handle h = Traits::Invalid())
    {
        if (IsValid())
            Traits::Close(m_h);
        m_h = h;
    }

private:
    Handle m_h;
};

template <class THandle>
struct NullIsInvalid {
    using Handle = THandle;
    static Handle Invalid() { return nullptr; }
};
struct BitmapTraits : NullIsInvalid<HBITMAP> { static void Close(HBITMAP h) { ::DeleteObject(h); } };
// A process or thread; a file's invalid value differs.
struct KernelHandleTraits : NullIsInvalid<HANDLE> { static void Close(HANDLE h) { ::CloseHandle(h); } };
struct FileHandleTraits : KernelHandleTraits { static HANDLE Invalid() { return INVALID_HANDLE_VALUE; } };
// A device context of CreateCompatibleDC, and the screen's of GetDC(nullptr)
// (a window's goes with its window: CClientDC).
struct MemoryDCTraits : NullIsInvalid<HDC> { static void Close(HDC h) { ::DeleteDC(h); } };
struct ScreenDCTraits : NullIsInvalid<HDC> { static void Close(HDC h) { ::ReleaseDC(nullptr, h); } };

using CScopedBitmap = CScopedHandle<BitmapTraits>;
using CScopedFile = CScopedHandle<FileHandleTraits>;
using CScopedScreenDC = CScopedHandle<ScreenDCTraits>;

// A framework wrapper (CBitmap, CDC, ...) borrowing a handle for a call that
// takes a wrapper.
template <class TWrapper>
class CBorrowed : public TWrapper {
public:
    template <class THandle>
    explicit CBorrowed(THandle h) { this->AttachTemporary(h); }
    ~CBorrowed() override { this->DetachTemporary(); }
};
