#include "libgr/refvector.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace libgr;

namespace {

// alloc_new counting the blocks it hands out and frees: a leak or a double free shows.
struct Counting : libutils::alloc_new {
    static inline int blocks = 0, frees = 0;
    void* allocate(std::uint32_t bytes, const char* path = nullptr, std::int32_t hint = 1,
                   std::int64_t offset = 0) {
        void* block = alloc_new::allocate(bytes, path, hint, offset);
        blocks += block != nullptr;
        return block;
    }
    void deallocate(void* block) {
        frees += block != nullptr;
        alloc_new::deallocate(block);
    }
};

class RefvectorTest : public ::testing::Test {
protected:
    void SetUp() override { Counting::blocks = Counting::frees = 0; }
    void TearDown() override { EXPECT_EQ(Counting::frees, Counting::blocks); }
};

using Forty = std::array<unsigned char, 40>;

} // namespace

TEST_F(RefvectorTest, SharedStorageIsFreedOnceByTheLastHolder) {
    {
        refvector2<int, Counting> a, b;
        ASSERT_TRUE(a.create(3));
        b = a;
        refvector2<int, Counting> c(a);
        c[1] = 8;
        EXPECT_EQ(b[1], 8);
        b = *&b; // neither self-assignment nor assignment from a sharer counts twice
        b = c;
        EXPECT_EQ(a.refCount(), 3);
        a.release();
        b = a; // from an array without storage
        EXPECT_FALSE(b.hasStorage());
        EXPECT_EQ(c.refCount(), 1);
        EXPECT_EQ(Counting::frees, 0);
    }
    EXPECT_EQ(Counting::frees, 1);
}

TEST_F(RefvectorTest, CreateGivesPrivateStorageAndKeepCopiesTheSmallerCount) {
    refvector2<int, Counting> a;
    ASSERT_TRUE(a.create(4));
    for (int i = 0; i < 4; ++i)
        a[i] = 10 + i;
    refvector2<int, Counting> b = a;
    ASSERT_TRUE(a.create(6, nullptr, 1, 0, true));
    a[0] = 99;
    EXPECT_EQ(a[3], 13);
    EXPECT_EQ(b[0], 10); // the other holder keeps the old storage and contents
    EXPECT_EQ(b.refCount(), 1);
    b = a;
    ASSERT_TRUE(a.create(2, nullptr, 1, 0, true));
    EXPECT_EQ(a[1], 11);
    EXPECT_EQ(b.size(), 6u);
    b = a;
    ASSERT_TRUE(a.create(5)); // without keep: fresh storage, the sharer is untouched
    EXPECT_FALSE(a.sharesWith(b));
    EXPECT_EQ(b[0], 99);
    ASSERT_TRUE(a.create(0));
    EXPECT_TRUE(a.hasStorage() && a.empty());
    EXPECT_EQ(a.begin(), a.end());
    refvector2<Forty, Counting> big;
    EXPECT_FALSE(big.create(0x10000000u)); // 10 GiB does not fit the 32-bit byte length

    const std::string path = "/tmp/refvector_test_" + std::to_string(getpid());
    std::ofstream(path) << "0123456789";
    refvector2<char, Counting> text;
    const bool read = text.create(4, path.c_str(), 0, 3);
    // Files that cannot be read in full fail and leave the previous storage.
    const bool tooLong = text.create(11, path.c_str());
    std::remove(path.c_str());
    ASSERT_TRUE(read);
    EXPECT_FALSE(tooLong);
    EXPECT_FALSE(text.create(1, "/tmp")); // a directory opens but cannot be read
    EXPECT_EQ(std::memcmp(text.begin(), "3456", 4), 0);
}

TEST_F(RefvectorTest, Refvector2ResizesTheSharedStorageRefvectorCopies) {
    refvector2<int, Counting> a;
    EXPECT_TRUE(a.resize(0));
    EXPECT_FALSE(a.hasStorage());
    ASSERT_TRUE(a.resize(3));
    a[2] = 3;
    refvector2<int, Counting> b = a;
    ASSERT_TRUE(a.resize(5));
    EXPECT_EQ(b.size(), 5u);
    EXPECT_EQ(b[2], 3);

    refvector<unsigned short, Counting> r;
    ASSERT_TRUE(r.resize(3));
    r[0] = 100;
    r[2] = 300;
    refvector<unsigned short, Counting> s(r), t;
    t = s;
    t = *&t;
    EXPECT_EQ(r.refCount(), 3);
    ASSERT_TRUE(s.resize(5));
    s[0] = 1;
    EXPECT_EQ(s[2], 300);
    EXPECT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], 100);
    ASSERT_TRUE(t.resize(0)); // detaches only t
    EXPECT_FALSE(t.hasStorage());
    EXPECT_EQ(r.refCount(), 1);
}

TEST_F(RefvectorTest, ViewsMeasureTheSharedBytes) {
    refvector2<unsigned char, Counting> bytes;
    ASSERT_TRUE(bytes.create(100));
    for (unsigned i = 0; i < 100; ++i)
        bytes[i] = static_cast<unsigned char>(i);
    ofsvector<Forty, Counting> view;
    view.attach(bytes, 14);
    EXPECT_EQ(view[1][0], 54);
    // {offset, limit, size, empty}: 86 bytes hold two elements; at the end, size 0 but not
    // empty (the storage has bytes and the limit is not 0).
    const std::uint32_t all = ofsvector<Forty>::npos;
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, bool> lengths[] = {
        {14, all, 2, false}, {14, 1, 1, false}, {14, 0, 0, true}, {100, all, 0, false}};
    for (const auto& [offset, limit, size, empty] : lengths) {
        view.attach(bytes, offset, limit);
        EXPECT_EQ(view.size(), size) << offset << " " << limit;
        EXPECT_EQ(view.empty(), empty) << offset << " " << limit;
    }
    view.attach(bytes, 150);
    EXPECT_EQ(view.byteOffset(), 100u); // lowered to the storage's length

    ofsvector<std::uint32_t, Counting> words;
    words.attach(bytes, 4, 2);
    EXPECT_EQ(words.end() - words.begin(), 2);
    EXPECT_EQ(words[0], 0x07060504u);
    words[1] = 0xAABBCCDDu;
    EXPECT_EQ(bytes[8], 0xDD);
    ofsvector<unsigned char, Counting> tail, copy;
    tail.attach(bytes, 90);
    copy = tail; // shares and takes over the placement
    EXPECT_EQ(copy[0], 90);
    EXPECT_EQ(bytes.refCount(), 5);

    words.resize(96); // keeps the offset, drops the limit, counts in words
    EXPECT_EQ(bytes.byteLength(), 384u);
    EXPECT_EQ(words.size(), 95u);
    bytes.resize(50); // shrunk below the tail's offset: it shows nothing rather than wrapping
    EXPECT_EQ(tail.begin(), tail.end());
    copy.create(3);
    EXPECT_EQ(copy.byteOffset(), 0u);
    EXPECT_EQ(bytes.refCount(), 4);
}
