#include "PtrMap.h"
#include <cstdint>
#include <cstring>
#include <new>

namespace {
const size_t kFirstSlots = 16;
}

CPtrMap::~CPtrMap()
{
    ::operator delete(m_pSlots);
}

size_t CPtrMap::Home(const void* key) const
{
    // Fibonacci hashing: handles differ mostly in their middle bits.
    uintptr_t h = reinterpret_cast<uintptr_t>(key);
    if (sizeof(uintptr_t) == 8)
        h = static_cast<uintptr_t>((static_cast<uint64_t>(h) * 0x9E3779B97F4A7C15ull) >> 32);
    else
        h = static_cast<uintptr_t>(static_cast<uint32_t>(h) * 0x9E3779B9u);
    return (h ^ (h >> 16)) & m_nMask;
}

void* CPtrMap::Lookup(const void* key) const
{
    if (key == nullptr)
        return m_bHasNullKey ? m_pNullKeyValue : nullptr;
    if (m_pSlots == nullptr)
        return nullptr;
    for (size_t i = Home(key);; i = (i + 1) & m_nMask) {
        if (m_pSlots[i].key == key)
            return m_pSlots[i].value;
        if (m_pSlots[i].key == nullptr)
            return nullptr;
    }
}

void CPtrMap::SetAt(const void* key, void* value)
{
    if (key == nullptr) {
        m_bHasNullKey = true;
        m_pNullKeyValue = value;
        return;
    }
    if (m_pSlots == nullptr || 2 * (m_nCount + 1) > m_nMask + 1)
        Grow();
    size_t i = Home(key);
    while (m_pSlots[i].key != nullptr && m_pSlots[i].key != key)
        i = (i + 1) & m_nMask;
    if (m_pSlots[i].key == nullptr)
        ++m_nCount;
    m_pSlots[i].key = key;
    m_pSlots[i].value = value;
}

void CPtrMap::RemoveKey(const void* key)
{
    if (key == nullptr) {
        m_bHasNullKey = false;
        m_pNullKeyValue = nullptr;
        return;
    }
    if (m_pSlots == nullptr)
        return;
    size_t i = Home(key);
    while (m_pSlots[i].key != key) {
        if (m_pSlots[i].key == nullptr)
            return;
        i = (i + 1) & m_nMask;
    }
    // Backward-shift deletion: later members of the probe run move up into
    // the gap when their home slot allows, so no tombstones are needed.
    for (size_t j = (i + 1) & m_nMask; m_pSlots[j].key != nullptr; j = (j + 1) & m_nMask) {
        size_t home = Home(m_pSlots[j].key);
        // The entry at j may fill the gap at i unless its home lies in (i, j].
        if (((j - home) & m_nMask) >= ((j - i) & m_nMask)) {
            m_pSlots[i] = m_pSlots[j];
            i = j;
        }
    }
    m_pSlots[i].key = nullptr;
    m_pSlots[i].value = nullptr;
    --m_nCount;
}

void CPtrMap::RemoveAll()
{
    if (m_pSlots != nullptr)
        std::memset(m_pSlots, 0, (m_nMask + 1) * sizeof(Slot));
    m_nCount = 0;
    m_bHasNullKey = false;
    m_pNullKeyValue = nullptr;
}

void CPtrMap::Grow()
{
    size_t nSlots = m_pSlots == nullptr ? kFirstSlots : 2 * (m_nMask + 1);
    Slot* pNew = static_cast<Slot*>(::operator new(nSlots * sizeof(Slot)));
    std::memset(pNew, 0, nSlots * sizeof(Slot));
    Slot* pOld = m_pSlots;
    size_t nOld = pOld == nullptr ? 0 : m_nMask + 1;
    m_pSlots = pNew;
    m_nMask = nSlots - 1;
    for (size_t k = 0; k < nOld; ++k) {
        if (pOld[k].key == nullptr)
            continue;
        size_t i = Home(pOld[k].key);
        while (m_pSlots[i].key != nullptr)
            i = (i + 1) & m_nMask;
        m_pSlots[i] = pOld[k];
    }
    ::operator delete(pOld);
}
