// A map from pointers (handles) to pointers: open addressing with linear
// probing, sized to a power of two and at most half full. One class serves
// every handle type of CHandleMap, so the DLL carries its code once (and
// none of the standard library's hash tables; see README.md, "Size budget").
#pragma once
#include <cstddef>

class CPtrMap {
public:
    CPtrMap() noexcept = default;
    CPtrMap(const CPtrMap&) = delete;
    CPtrMap& operator=(const CPtrMap&) = delete;
    ~CPtrMap();

    // The value stored for key, or nullptr when there is none.
    void* Lookup(const void* key) const;
    // Stores value for key, replacing any value it had; may throw std::bad_alloc.
    void SetAt(const void* key, void* value);
    void RemoveKey(const void* key);
    void RemoveAll();
    size_t GetCount() const { return m_nCount + (m_bHasNullKey ? 1 : 0); }

    // Calls f(value) for every entry; f must not change the map.
    template <class F>
    void ForEachValue(F f) const
    {
        if (m_bHasNullKey)
            f(m_pNullKeyValue);
        for (size_t i = 0; m_pSlots != nullptr && i <= m_nMask; ++i)
            if (m_pSlots[i].key != nullptr)
                f(m_pSlots[i].value);
    }

private:
    struct Slot {
        const void* key;  // nullptr: free
        void* value;
    };

    size_t Home(const void* key) const;
    void Grow();

    Slot* m_pSlots = nullptr;
    size_t m_nMask = 0;   // slot count - 1
    size_t m_nCount = 0;  // used slots
    // The null handle is a key like any other, kept beside the slots.
    bool m_bHasNullKey = false;
    void* m_pNullKeyValue = nullptr;
};
