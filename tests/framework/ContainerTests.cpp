// The framework's own string and handle map, which stand in for std::string
// and std::unordered_map so that the DLL links none of their code.
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include "CString.h"
#include "ImportLedger.h"
#include "PtrMap.h"

namespace {

const void* Key(uintptr_t n) { return reinterpret_cast<const void*>(n); }
void* Value(uintptr_t n) { return reinterpret_cast<void*>(n); }

} // namespace

TEST(FrameworkString, HoldsItsBytesShortAndLong)
{
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty, "");
    EXPECT_TRUE(empty == nullptr);
    EXPECT_TRUE(CString(nullptr) == "");

    CString shortText("Agree");
    EXPECT_EQ(shortText.GetLength(), 5);
    EXPECT_TRUE(shortText == "Agree");
    EXPECT_FALSE(shortText == "Agre");
    EXPECT_FALSE(shortText == "Agreed");

    const char kLong[] = "a text longer than the string's own small buffer";
    CString longText(kLong);
    EXPECT_EQ(longText.GetLength(), static_cast<int>(std::strlen(kLong)));
    EXPECT_STREQ(longText, kLong);

    CString copy(longText);
    EXPECT_STREQ(copy, kLong);
    copy = shortText;
    EXPECT_STREQ(copy, "Agree");
    copy = copy;
    EXPECT_STREQ(copy, "Agree");
    copy = "\xA6\x50\xB7\x4E";  // big5 bytes stay as they are
    EXPECT_EQ(copy.GetLength(), 4);
    EXPECT_TRUE(copy == "\xA6\x50\xB7\x4E");
    copy = nullptr;
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(FrameworkString, KeepsEmbeddedNulsOfAGivenLength)
{
    CString s("ab\0cd", 5);
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_FALSE(s == "ab");
    EXPECT_EQ(std::memcmp(static_cast<const char*>(s), "ab\0cd", 6), 0);
    EXPECT_EQ(CString("xy", -1).GetLength(), 0);
}

TEST(FrameworkString, AssignsFromItsOwnBytes)
{
    CString s("0123456789abcdefghijklmnopqrstuvwxyz");
    s = static_cast<const char*>(s) + 10;
    EXPECT_STREQ(s, "abcdefghijklmnopqrstuvwxyz");
    CString t("0123456789");
    t = static_cast<const char*>(t) + 3;
    EXPECT_STREQ(t, "3456789");
}

TEST(FrameworkString, BufferIsCutAtTheFirstNul)
{
    CString s("old text");
    char* p = s.GetZeroedBuffer(40);
    for (int i = 0; i <= 40; ++i)
        EXPECT_EQ(p[i], '\0');
    std::strcpy(p, "new");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(s, "new");
    EXPECT_EQ(s.GetZeroedBuffer(-5)[0], '\0');
    EXPECT_EQ(s.GetLength(), 0);
    s.ReleaseBuffer();
    EXPECT_TRUE(s.IsEmpty());
}

// Each string frees the block it took, and only that: 80 MB would stay
// behind otherwise.
TEST(FrameworkString, GivesBackWhatItTook)
{
    const long long before = MeasureProcess().privateBytes;
    for (int i = 0; i < 20000; ++i) {
        CString longText(std::string(4000, 'x').c_str()), shortText("Agree");
        shortText = longText;
    }
    EXPECT_LT(MeasureProcess().privateBytes - before, 16 << 20);
}

TEST(FrameworkPtrMap, StoresReplacesAndRemoves)
{
    CPtrMap map;
    EXPECT_EQ(map.Lookup(Key(0x10)), nullptr);
    map.RemoveKey(Key(0x10));
    map.SetAt(Key(0x10), Value(1));
    map.SetAt(Key(0x20), Value(2));
    map.SetAt(Key(0x10), Value(3));
    EXPECT_EQ(map.GetCount(), 2u);
    EXPECT_EQ(map.Lookup(Key(0x10)), Value(3));
    EXPECT_EQ(map.Lookup(Key(0x20)), Value(2));
    map.RemoveKey(Key(0x10));
    EXPECT_EQ(map.Lookup(Key(0x10)), nullptr);
    EXPECT_EQ(map.GetCount(), 1u);
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_EQ(map.Lookup(Key(0x20)), nullptr);
}

TEST(FrameworkPtrMap, TheNullHandleIsAKeyLikeAnyOther)
{
    CPtrMap map;
    map.SetAt(nullptr, Value(7));
    EXPECT_EQ(map.GetCount(), 1u);
    EXPECT_EQ(map.Lookup(nullptr), Value(7));
    int seen = 0;
    map.ForEachValue([&](void* p) { seen += p == Value(7); });
    EXPECT_EQ(seen, 1);
    map.RemoveKey(nullptr);
    EXPECT_EQ(map.Lookup(nullptr), nullptr);
    EXPECT_EQ(map.GetCount(), 0u);
}

// Handles made in a row, removed in a scattered order: every lookup agrees
// with std::map throughout, across growth and backward-shift removal.
TEST(FrameworkPtrMap, AgreesWithAnOrderedMapUnderChurn)
{
    CPtrMap map;
    std::map<uintptr_t, uintptr_t> reference;
    uint32_t seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return seed >> 8; };
    for (int round = 0; round < 20000; ++round) {
        // Handle-like keys: small multiples of 4, with runs of neighbours.
        uintptr_t key = 0x10000 + 4 * (next() % 700);
        switch (next() % 3) {
        case 0:
        case 1:
            map.SetAt(Key(key), Value(round + 1));
            reference[key] = round + 1;
            break;
        default:
            map.RemoveKey(Key(key));
            reference.erase(key);
            break;
        }
        if (round % 97 == 0) {
            ASSERT_EQ(map.GetCount(), reference.size());
            for (uintptr_t k = 0x10000; k < 0x10000 + 4 * 700; k += 4) {
                auto it = reference.find(k);
                ASSERT_EQ(map.Lookup(Key(k)), it == reference.end() ? nullptr : Value(it->second)) << round;
            }
        }
    }
    size_t visited = 0;
    map.ForEachValue([&](void*) { ++visited; });
    EXPECT_EQ(visited, reference.size());
}
