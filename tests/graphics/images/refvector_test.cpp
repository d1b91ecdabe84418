#include "libgr/refvector.h"

#include <gtest/gtest.h>

#include <array>

using namespace libgr;

namespace {

// alloc_new counting the blocks it hands out and frees: a leak or a double free shows.
struct Counting : libutils::alloc_new {
    static inline int blocks = 0, frees = 0;
    void* allocate(std::uint32_t bytes, const char* path = nullptr, std::int32_t hint = 1,
                   std::int64_t offset = 0) {
        void* block = alloc_new::allocate(bytes, path, hint, offset);
        return blocks += block != nullptr, block;
    }
    void deallocate(void* block) { frees += block != nullptr, alloc_new::deallocate(block); }
};
using Ints = std::vector<std::int64_t>;

} // namespace

TEST(Refvector, SharingCreatingAndResizing) {
    {
        refvector2<int, Counting> a, b, none;
        EXPECT_TRUE(a.resize(0));
        EXPECT_FALSE(a.hasStorage());
        EXPECT_TRUE(a.create(4));
        for (int i = 0; i < 4; ++i)
            a[i] = 10 + i;
        refvector2<int, Counting> c(a);
        // Neither self-assignment nor a sharer's assignment counts twice.
        b = a;
        b = *&b;
        b = c;
        ASSERT_TRUE(a.resize(6)); // in place: every sharer sees it
        EXPECT_EQ((Ints{a.refCount(), b.size()}), (Ints{3, 6}));
        ASSERT_TRUE(a.create(2, nullptr, 1, 0, true)); // its own storage, leading elements kept
        EXPECT_EQ((Ints{a[1], b[0], b.refCount(), a.size()}), (Ints{11, 10, 2, 2}));
        EXPECT_TRUE(b.create(0));
        EXPECT_TRUE(b.hasStorage());
        EXPECT_TRUE(b.empty());
        EXPECT_EQ(b.begin(), b.end());
        c = none; // from an array without storage
        EXPECT_EQ((Ints{c.hasStorage(), Counting::frees}), (Ints{0, 1}));
        // Sizes past a 32-bit byte length fail: 10 GiB, and 4 GiB plus the block's header.
        EXPECT_FALSE((refvector2<std::array<char, 40>, Counting>().create(0x10000000u)));
        EXPECT_FALSE(refvector<int>().resize(0x40000000u));
        // Filled from a file at an offset (this program's own: "\x7f" "ELF" opens it); a file
        // too short, unreadable or missing fails and keeps the storage.
        refvector2<char, Counting> text;
        EXPECT_TRUE(text.create(3, "/proc/self/exe", 0, 1));
        EXPECT_FALSE(text.create(1, "/proc/self/exe", 0, 1ll << 40));
        EXPECT_FALSE(text.create(1, "/"));
        EXPECT_FALSE(text.create(1, ""));
        EXPECT_EQ(std::string(text.begin(), text.end()), "ELF");

        refvector<unsigned short, Counting> r, s, t;
        ASSERT_TRUE(r.resize(3));
        r[2] = 300;
        s = r;
        t = s;
        t = *&t;
        EXPECT_EQ(r.refCount(), 3);
        ASSERT_TRUE(s.resize(5)); // a private copy
        ASSERT_TRUE(t.resize(0)); // t alone detaches
        s[2] = 1;
        EXPECT_EQ((Ints{r[2], r.size(), r.refCount(), t.hasStorage()}), (Ints{300, 3, 1, 0}));
    }
    EXPECT_EQ(Counting::frees, Counting::blocks);
}

TEST(Refvector, ViewsMeasureTheSharedBytes) {
    refvector2<unsigned char> bytes;
    ASSERT_TRUE(bytes.create(100));
    for (unsigned i = 0; i < 100; ++i)
        bytes[i] = static_cast<unsigned char>(i);
    using Forty = std::array<unsigned char, 40>;
    ofsvector<Forty> view;
    // {offset, limit, size, empty}: 86 bytes hold two elements; at the end, size 0 but not
    // empty (the storage has bytes and the limit is not 0).
    const std::uint32_t all = ofsvector<Forty>::npos;
    for (const Ints& l :
         {Ints{14, all, 2, 0, 54}, {14, 1, 1, 0, 14}, {14, 0, 0, 1}, {100, all, 0, 0}}) {
        view.attach(bytes, std::uint32_t(l[0]), std::uint32_t(l[1]));
        EXPECT_EQ((Ints{view.size(), view.empty()}), (Ints{l[2], l[3]})) << l[0] << " " << l[1];
        EXPECT_EQ(l.size() > 4 ? view[view.size() - 1][0] : 0, l.size() > 4 ? l[4] : 0);
    }
    view.attach(bytes, 150); // the offset is lowered to the storage's length
    ofsvector<std::uint32_t> words;
    words.attach(bytes, 4, 2);
    EXPECT_EQ((Ints{view.byteOffset(), words.end() - words.begin(), words[0]}),
              (Ints{100, 2, 0x07060504}));
    ofsvector<unsigned char> tail, copy;
    tail.attach(bytes, 90);
    copy = tail; // shares and takes over the placement
    EXPECT_EQ((Ints{copy[0], bytes.refCount()}), (Ints{90, 5}));
    words.resize(96); // keeps the offset, drops the limit, counts in words
    EXPECT_EQ((Ints{bytes.byteLength(), words.size()}), (Ints{384, 95}));
    bytes.resize(50); // shrunk below the tail's offset: it shows nothing rather than wrapping
    EXPECT_EQ(tail.begin(), tail.end());
    copy.create(3);
    EXPECT_EQ((Ints{copy.byteOffset(), bytes.refCount()}), (Ints{0, 4}));
}
