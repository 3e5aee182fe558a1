// Maps from a Win32 handle to the framework object wrapping it.
//
// Permanent entries belong to objects the framework owns or subclassed; they
// stay until removed. Temporary entries are wrappers made on demand for
// foreign handles; the map owns them and deletes them in DeleteTemps.
#pragma once
#include <unordered_map>

template <class TObject, class THandle>
class CHandleMap {
public:
    CHandleMap() = default;
    CHandleMap(const CHandleMap&) = delete;
    CHandleMap& operator=(const CHandleMap&) = delete;
    ~CHandleMap() { DeleteTemps(); }

    TObject* LookupPermanent(THandle h) const {
        auto it = m_permanent.find(h);
        return it == m_permanent.end() ? nullptr : it->second;
    }
    void SetPermanent(THandle h, TObject* p) { m_permanent[h] = p; }
    void RemovePermanent(THandle h) { m_permanent.erase(h); }

    // Returns the object for h: the permanent one, else a temporary wrapper,
    // made on first use. A null handle has no object.
    TObject* FromHandle(THandle h) {
        if (h == nullptr)
            return nullptr;
        if (TObject* p = LookupPermanent(h))
            return p;
        auto it = m_temporary.find(h);
        if (it != m_temporary.end())
            return it->second;
        TObject* p = new TObject;
        p->AttachTemporary(h);
        m_temporary[h] = p;
        return p;
    }

    void DeleteTemps() {
        for (auto& entry : m_temporary) {
            entry.second->DetachTemporary();
            delete entry.second;
        }
        m_temporary.clear();
    }

    size_t TemporaryCount() const { return m_temporary.size(); }

private:
    std::unordered_map<THandle, TObject*> m_permanent;
    std::unordered_map<THandle, TObject*> m_temporary;
};
