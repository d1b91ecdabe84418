#include "libgr/refvector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>

using namespace libgr;

namespace {

// An allocator policy that forwards to alloc_new and keeps a ledger of live blocks, so a
// double free or a leak of array storage shows up as a failed expectation.
struct CountingAlloc {
    static int frees;
    static std::set<void*>& live() {
        static std::set<void*> blocks;
        return blocks;
    }

    void* allocate(std::uint32_t bytes, const char* path = nullptr, std::int32_t hint = 1,
                   std::int64_t offset = 0) {
        void* block = inner.allocate(bytes, path, hint, offset);
        if (block != nullptr)
            live().insert(block);
        return block;
    }
    void* reallocate(void* old, std::uint32_t bytes, std::int64_t extra = 0) {
        void* block = inner.reallocate(old, bytes, extra);
        if (block != nullptr) {
            if (old != nullptr) {
                EXPECT_EQ(live().erase(old), 1u) << "reallocated a block not live";
            }
            live().insert(block);
        }
        return block;
    }
    void deallocate(void* block) {
        if (block != nullptr) {
            ++frees;
            EXPECT_EQ(live().erase(block), 1u) << "freed a block twice or never allocated";
        }
        inner.deallocate(block);
    }
    std::uint32_t byteLength() const { return inner.byteLength(); }

    libutils::alloc_new inner;
};
int CountingAlloc::frees = 0;

struct Forty {
    unsigned char bytes[40];
};

class RefvectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        CountingAlloc::frees = 0;
        CountingAlloc::live().clear();
    }
    void TearDown() override { EXPECT_TRUE(CountingAlloc::live().empty()) << "leaked storage"; }
};

using Bytes = refvector2<unsigned char, CountingAlloc>;

} // namespace

TEST_F(RefvectorTest, SharedStorageIsFreedOnceByTheLastHolder) {
    {
        refvector2<int, CountingAlloc> a;
        EXPECT_TRUE(a.empty());
        EXPECT_EQ(a.size(), 0u);
        EXPECT_EQ(a.refCount(), 0);
        ASSERT_TRUE(a.create(3));
        a[0] = 7;
        a[2] = 9;
        refvector2<int, CountingAlloc> b;
        b = a;
        refvector2<int, CountingAlloc> c(a); // copy construction shares too
        EXPECT_EQ(a.refCount(), 3);
        EXPECT_TRUE(c.sharesWith(a));
        EXPECT_EQ(c[0], 7);
        c[1] = 8;
        EXPECT_EQ(a[1], 8);
        EXPECT_EQ(b.end() - b.begin(), 3);

        // Self-assignment and re-assignment from a sharer change nothing.
        b = *&b;
        b = c;
        EXPECT_EQ(a.refCount(), 3);

        a.release();
        EXPECT_FALSE(a.hasStorage());
        EXPECT_EQ(b.refCount(), 2);
        b = a; // from an array without storage: b ends without storage
        EXPECT_FALSE(b.hasStorage());
        EXPECT_EQ(c.refCount(), 1);
        EXPECT_EQ(CountingAlloc::frees, 0);
    }
    EXPECT_EQ(CountingAlloc::frees, 1);

    {
        refvector<unsigned short, CountingAlloc> r;
        ASSERT_TRUE(r.resize(2));
        refvector<unsigned short, CountingAlloc> s(r);
        refvector<unsigned short, CountingAlloc> t;
        t = s;
        t = *&t;
        EXPECT_EQ(r.refCount(), 3);
        r.release();
        s.release();
        EXPECT_EQ(CountingAlloc::frees, 1);
        EXPECT_EQ(t.refCount(), 1);
    }
    EXPECT_EQ(CountingAlloc::frees, 2);
}

TEST_F(RefvectorTest, CreateGivesPrivateStorageAndKeepCopiesTheSmallerCount) {
    refvector2<int, CountingAlloc> a;
    ASSERT_TRUE(a.create(4));
    for (int i = 0; i < 4; ++i)
        a[i] = 10 + i;
    refvector2<int, CountingAlloc> b = a;

    ASSERT_TRUE(a.create(6, nullptr, 1, 0, true));
    EXPECT_EQ(a.size(), 6u);
    EXPECT_FALSE(a.sharesWith(b));
    EXPECT_EQ(a.refCount(), 1);
    EXPECT_EQ(b.refCount(), 1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a[i], 10 + i);
        EXPECT_EQ(b[i], 10 + i); // the other holder keeps the old storage and contents
    }
    a[0] = 99;
    EXPECT_EQ(b[0], 10);

    b = a;
    ASSERT_TRUE(a.create(2, nullptr, 1, 0, true)); // shrinking keeps the first two
    EXPECT_EQ(a[0], 99);
    EXPECT_EQ(a[1], 11);
    EXPECT_EQ(b.size(), 6u);

    b = a;
    ASSERT_TRUE(a.create(5)); // without keep: fresh storage, the sharer is untouched
    EXPECT_FALSE(a.sharesWith(b));
    EXPECT_EQ(b[0], 99);
    EXPECT_EQ(b.size(), 2u);

    ASSERT_TRUE(a.create(0));
    EXPECT_TRUE(a.hasStorage());
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.size(), 0u);
    EXPECT_EQ(a.begin(), a.end());

    // Byte counts beyond 32 bits are refused; the old storage stays.
    refvector2<Forty, CountingAlloc> big;
    EXPECT_FALSE(big.create(0x10000000u));
    EXPECT_FALSE(big.hasStorage());
    EXPECT_TRUE(b.create(1));
    EXPECT_FALSE(b.create(3, "/nonexistent/dir/file.bin"));
    EXPECT_EQ(b.size(), 1u); // a failed create leaves the previous storage
}

TEST_F(RefvectorTest, ResizeActsOnSharedStorageForRefvector2ButCopiesForRefvector) {
    refvector2<int, CountingAlloc> a;
    EXPECT_TRUE(a.resize(0)); // nothing to do without storage
    EXPECT_FALSE(a.hasStorage());
    ASSERT_TRUE(a.resize(3));
    a[0] = 1;
    a[1] = 2;
    a[2] = 3;
    refvector2<int, CountingAlloc> b = a;
    ASSERT_TRUE(a.resize(5));
    EXPECT_EQ(b.size(), 5u); // both see the new length and the same data
    EXPECT_EQ(b.begin(), a.begin());
    EXPECT_EQ(b[2], 3);
    ASSERT_TRUE(b.resize(2));
    EXPECT_EQ(a.size(), 2u);
    EXPECT_EQ(a.refCount(), 2);

    refvector<unsigned short, CountingAlloc> r;
    ASSERT_TRUE(r.resize(3));
    r[0] = 100;
    r[1] = 200;
    r[2] = 300;
    refvector<unsigned short, CountingAlloc> s = r;
    ASSERT_TRUE(s.resize(5));
    EXPECT_FALSE(s.sharesWith(r));
    EXPECT_EQ(r.size(), 3u); // the other holder keeps its block
    EXPECT_EQ(s.size(), 5u);
    EXPECT_EQ(s[2], 300);
    s[0] = 1;
    EXPECT_EQ(r[0], 100);

    refvector<unsigned short, CountingAlloc> t = r;
    ASSERT_TRUE(t.resize(0)); // detaches only t
    EXPECT_FALSE(t.hasStorage());
    EXPECT_EQ(r.refCount(), 1);
    EXPECT_EQ(r[1], 200);
    const int before = CountingAlloc::frees;
    ASSERT_TRUE(r.resize(1)); // sole holder: the old block goes
    EXPECT_EQ(CountingAlloc::frees, before + 1);
    EXPECT_EQ(r[0], 100);
}

TEST_F(RefvectorTest, ViewsMeasureTheSharedBytes) {
    Bytes bytes;
    ASSERT_TRUE(bytes.create(100));
    for (unsigned i = 0; i < 100; ++i)
        bytes[i] = static_cast<unsigned char>(i);

    ofsvector<Forty, CountingAlloc> view;
    EXPECT_EQ(view.limit(), ofsvector<Forty>::npos);
    view.attach(bytes, 14);
    EXPECT_EQ(view.size(), 2u); // 86 bytes left: two whole elements
    EXPECT_EQ(view.end() - view.begin(), 2);
    EXPECT_EQ(view[0].bytes[0], 14);
    EXPECT_EQ(view[1].bytes[0], 54);
    view.attach(bytes, 14, 1);
    EXPECT_EQ(view.size(), 1u);
    view.attach(bytes, 14, 0);
    EXPECT_TRUE(view.empty());
    EXPECT_EQ(view.size(), 0u);
    view.attach(bytes, 100);
    EXPECT_EQ(view.size(), 0u);
    EXPECT_FALSE(view.empty()); // the storage has bytes and the limit is not 0
    view.attach(bytes, 150);    // lowered to the storage's length
    EXPECT_EQ(view.byteOffset(), 100u);

    // Views of different element types over one byte storage.
    ofsvector<std::uint32_t, CountingAlloc> words;
    words.attach(bytes, 4, 2);
    EXPECT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0], 0x07060504u);
    words[1] = 0xAABBCCDDu;
    EXPECT_EQ(bytes[8], 0xDD);
    EXPECT_EQ(bytes[11], 0xAA);
    ofsvector<unsigned char, CountingAlloc> tail;
    tail.attach(bytes, 90);
    EXPECT_EQ(tail.size(), 10u);
    EXPECT_EQ(bytes.refCount(), 4);

    // Assignment shares and takes over the placement.
    ofsvector<unsigned char, CountingAlloc> copy;
    copy = tail;
    EXPECT_EQ(copy.byteOffset(), 90u);
    EXPECT_EQ(copy[0], 90);
    EXPECT_EQ(bytes.refCount(), 5);

    // resize keeps the offset and drops the limit; create and release reset both.
    words.resize(100 - 4);
    EXPECT_EQ(words.byteOffset(), 4u);
    EXPECT_EQ(words.limit(), ofsvector<std::uint32_t>::npos);
    EXPECT_EQ(bytes.size(), 96u); // in words' element type; the storage holds 384 bytes
    EXPECT_EQ(bytes.byteLength(), 384u);
    EXPECT_EQ(tail.size(), 294u);
    EXPECT_EQ(words.size(), 95u);

    // Storage shrunk below a view's offset: the view shows nothing rather than wrapping.
    bytes.resize(50);
    EXPECT_EQ(tail.size(), 0u);
    EXPECT_EQ(tail.begin(), tail.end());

    tail.release();
    EXPECT_EQ(tail.byteOffset(), 0u);
    EXPECT_FALSE(tail.hasStorage());
    copy.create(3);
    EXPECT_EQ(copy.byteOffset(), 0u);
    EXPECT_EQ(copy.size(), 3u);
    EXPECT_EQ(bytes.refCount(), 3); // bytes, view, words
}

TEST_F(RefvectorTest, CreateReadsAFileOrFails) {
    char path[] = "/tmp/refvector_testXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::FILE* f = fdopen(fd, "wb");
    std::fputs("0123456789", f);
    std::fclose(f);

    Bytes bytes;
    ASSERT_TRUE(bytes.create(4, path, 0, 3));
    EXPECT_EQ(std::memcmp(bytes.begin(), "3456", 4), 0);
    EXPECT_FALSE(bytes.create(11, path)); // one byte more than the file holds
    EXPECT_EQ(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], '3');
    EXPECT_FALSE(bytes.create(1, "/tmp")); // a directory opens but cannot be read
    EXPECT_TRUE(bytes.create(0, path));
    std::remove(path);
}
