// Maps from a Win32 handle to the framework object wrapping it.
//
// Permanent entries belong to objects the framework owns or subclassed; they
// stay until removed. Temporary entries are wrappers made on demand for
// foreign handles; the map owns them and deletes them in DeleteTemps.
#pragma once
#include <cstddef>
#include <memory>
#include "PtrMap.h"

template <class TObject, class THandle>
class CHandleMap {
public:
    CHandleMap() = default;
    CHandleMap(const CHandleMap&) = delete;
    CHandleMap& operator=(const CHandleMap&) = delete;
    ~CHandleMap() { DeleteTemps(); }

    TObject* LookupPermanent(THandle h) const {
        return static_cast<TObject*>(m_permanent.Lookup(h));
    }
    void SetPermanent(THandle h, TObject* p) { m_permanent.SetAt(h, p); }
    void RemovePermanent(THandle h) { m_permanent.RemoveKey(h); }

    // Returns the object for h: the permanent one, else a temporary wrapper,
    // made on first use. A null handle has no object.
    TObject* FromHandle(THandle h) {
        if (h == nullptr)
            return nullptr;
        if (TObject* p = LookupPermanent(h))
            return p;
        if (TObject* p = static_cast<TObject*>(m_temporary.Lookup(h)))
            return p;
        // It borrows h only once mapped: a failed SetAt deletes it empty.
        std::unique_ptr<TObject> p(new TObject);
        m_temporary.SetAt(h, p.get());
        p->AttachTemporary(h);
        return p.release();
    }

    void DeleteTemps() {
        m_temporary.ForEachValue([](void* pValue) {
            TObject* p = static_cast<TObject*>(pValue);
            p->DetachTemporary();
            delete p;
        });
        m_temporary.RemoveAll();
    }

    size_t TemporaryCount() const { return m_temporary.GetCount(); }

private:
    CPtrMap m_permanent;
    CPtrMap m_temporary;
};
