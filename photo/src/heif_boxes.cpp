// HEIF boxes read with every length checked, the grid of a primary item, and small HEIF files
// written from items. The reader goes only as deep as the boxes it knows (meta and its
// children, iinf, iref, iprp with ipco and ipma), so nesting is bounded by the code itself;
// every loop consumes bytes or stops, so time follows the file's length.
#include "heif_boxes.h"

#include <algorithm>

namespace libphoto::detail {

namespace {

// Big-endian numbers from [pos, end) of the buffer; once a read runs past the end, every
// later one gives 0 and ok() stays false.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t begin, std::size_t end)
        : data_(data), pos_(begin), end_(end) {}

    std::uint64_t read(unsigned bytes) {
        if (!ok_ || bytes > end_ - pos_) {
            ok_ = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (unsigned i = 0; i < bytes; ++i)
            v = v << 8 | data_[pos_ + i];
        pos_ += bytes;
        return v;
    }
    std::uint32_t u8() { return static_cast<std::uint32_t>(read(1)); }
    std::uint32_t u16() { return static_cast<std::uint32_t>(read(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ >= end_; }
    std::size_t pos() const { return pos_; }
    std::size_t end() const { return end_; }
    void skipTo(std::size_t pos) { pos_ = pos; }

private:
    const unsigned char* data_;
    std::size_t pos_, end_;
    bool ok_ = true;
};

struct Box {
    std::uint32_t type = 0;
    std::size_t begin = 0, body = 0, end = 0;
};

// The next box of `r`, which then stands after it; false when its header or its length does
// not fit what is left.
bool nextBox(Reader& r, Box& box) {
    box.begin = r.pos();
    std::uint64_t size = r.u32();
    box.type = r.u32();
    if (size == 1)
        size = r.read(8);
    else if (size == 0)
        size = r.end() - box.begin;
    if (!r.ok() || size < r.pos() - box.begin || size > r.end() - box.begin)
        return false;
    box.body = r.pos();
    box.end = box.begin + static_cast<std::size_t>(size);
    r.skipTo(box.end);
    return true;
}

// Most extents, and most properties, of one item.
constexpr std::size_t kMostExtents = 256;

Error damaged(const char* what) {
    return Error(grErrc::corrupt, "HEIF", what);
}

Error strange(const char* what) {
    return Error(grErrc::unsupported, "HEIF", what);
}

// What the location box says of one item, before idat is known.
struct Location {
    std::uint32_t id = 0;
    std::uint32_t method = 0;
    std::uint64_t base = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents; // offset, length
};

struct Reference {
    std::uint32_t type = 0, from = 0;
    std::vector<std::uint32_t> to;
};

struct Associations {
    std::uint32_t id = 0;
    std::vector<HeifAssociation> list;
};

// Everything the meta box lists, before items and their facts are joined.
struct MetaLists {
    std::vector<Location> locations;
    std::vector<Reference> references;
    std::vector<Associations> associations;
    HeifRange idat;
    bool hasIdat = false;
};

// A full box's body: its version read, its flags in `flags`.
Reader fullBody(const unsigned char* data, const Box& box, std::uint32_t& version,
                std::uint32_t& flags) {
    Reader r(data, box.body, box.end);
    version = r.u8();
    flags = static_cast<std::uint32_t>(r.read(3));
    return r;
}

Error readInfe(const unsigned char* data, const Box& box, HeifBoxes& out) {
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, box, version, flags);
    if (version < 2)
        return {}; // an entry of the old form states no type: such items are not ours to read
    HeifItem item;
    item.id = version == 2 ? r.u16() : r.u32();
    r.u16(); // protection index
    item.type = r.u32();
    if (!r.ok())
        return damaged("an item entry cut short");
    if (out.items.size() >= kMostHeifItems)
        return strange("more than 65536 items");
    out.items.push_back(item);
    return {};
}

Error readIinf(const unsigned char* data, const Box& box, HeifBoxes& out) {
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, box, version, flags);
    r.read(version == 0 ? 2 : 4); // the entry count; the entries themselves are counted
    Box entry;
    while (r.ok() && !r.atEnd()) {
        if (!nextBox(r, entry))
            return damaged("an item entry runs past its box");
        if (entry.type == fourcc("infe"))
            if (Error e = readInfe(data, entry, out))
                return e;
    }
    return r.ok() ? Error() : damaged("the item entries cut short");
}

Error readIloc(const unsigned char* data, const Box& box, MetaLists& lists) {
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, box, version, flags);
    const std::uint32_t sizes = r.u16();
    const unsigned offsetSize = sizes >> 12, lengthSize = sizes >> 8 & 15;
    const unsigned baseSize = sizes >> 4 & 15, indexSize = version >= 1 ? sizes & 15 : 0;
    const auto valid = [](unsigned n) { return n == 0 || n == 4 || n == 8; };
    if (version > 2 || !valid(offsetSize) || !valid(baseSize) || !valid(indexSize))
        return strange("an item location of an unknown form");
    // Without stated lengths an extent would run to the end of the file, and would take no
    // bytes to state: not a form phones write.
    if (lengthSize == 0)
        return strange("item extents without lengths");
    const std::uint32_t count = version < 2 ? r.u16() : r.u32();
    if (count > kMostHeifItems)
        return strange("more than 65536 item locations");
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        Location loc;
        loc.id = version < 2 ? r.u16() : r.u32();
        if (version >= 1)
            loc.method = r.u16() & 15;
        const std::uint32_t reference = r.u16();
        loc.base = r.read(baseSize);
        const std::uint32_t extents = r.u16();
        if (reference != 0 || loc.method > 1)
            return strange("item bytes kept elsewhere than in this file");
        for (std::uint32_t e = 0; e < extents && r.ok(); ++e) {
            r.read(indexSize);
            const std::uint64_t offset = r.read(offsetSize);
            loc.extents.emplace_back(offset, r.read(lengthSize));
        }
        lists.locations.push_back(std::move(loc));
    }
    return r.ok() ? Error() : damaged("the item locations cut short");
}

Error readIref(const unsigned char* data, const Box& box, MetaLists& lists) {
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, box, version, flags);
    if (!r.ok() || version > 1)
        return strange("item references of an unknown form");
    const unsigned idSize = version == 0 ? 2 : 4;
    Box refs;
    while (r.ok() && !r.atEnd()) {
        if (!nextBox(r, refs))
            return damaged("an item reference runs past its box");
        Reader in(data, refs.body, refs.end);
        Reference ref;
        ref.type = refs.type;
        ref.from = static_cast<std::uint32_t>(in.read(idSize));
        const std::uint32_t count = in.u16();
        for (std::uint32_t i = 0; i < count && in.ok(); ++i)
            ref.to.push_back(static_cast<std::uint32_t>(in.read(idSize)));
        if (!in.ok())
            return damaged("an item reference cut short");
        lists.references.push_back(std::move(ref));
    }
    return r.ok() ? Error() : damaged("the item references cut short");
}

Error readIpma(const unsigned char* data, const Box& box, MetaLists& lists) {
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, box, version, flags);
    const std::uint32_t count = r.u32();
    for (std::uint32_t i = 0; i < count && r.ok(); ++i) {
        Associations a;
        a.id = version < 1 ? r.u16() : r.u32();
        const std::uint32_t n = r.u8();
        for (std::uint32_t k = 0; k < n && r.ok(); ++k) {
            const std::uint32_t v = (flags & 1) != 0 ? r.u16() : r.u8();
            const std::uint32_t high = (flags & 1) != 0 ? 0x8000 : 0x80;
            if ((v & (high - 1)) != 0) // index 0: no property
                a.list.push_back({(v & (high - 1)) - 1, (v & high) != 0});
        }
        lists.associations.push_back(std::move(a));
    }
    return r.ok() ? Error() : damaged("the item properties cut short");
}

Error readIprp(const unsigned char* data, const Box& box, HeifBoxes& out, MetaLists& lists) {
    Reader r(data, box.body, box.end);
    Box child, property;
    while (!r.atEnd()) {
        if (!nextBox(r, child))
            return damaged("an item property box runs past its container");
        if (child.type == fourcc("ipma")) {
            if (Error e = readIpma(data, child, lists))
                return e;
        } else if (child.type == fourcc("ipco")) {
            Reader p(data, child.body, child.end);
            while (!p.atEnd()) {
                if (!nextBox(p, property))
                    return damaged("an item property runs past its container");
                out.properties.push_back({property.type,
                                          {property.begin, property.end - property.begin},
                                          {property.body, property.end - property.body}});
            }
        }
    }
    return {};
}

// Joins what the meta box listed: locations (as ranges of the buffer), references and
// properties onto the items they name.
Error join(std::size_t size, const MetaLists& lists, HeifBoxes& out) {
    std::sort(out.items.begin(), out.items.end(),
              [](const HeifItem& a, const HeifItem& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < out.items.size(); ++i)
        if (out.items[i].id == out.items[i - 1].id)
            return damaged("two items with one id");
    const auto find = [&](std::uint32_t id) -> HeifItem* {
        const auto it =
            std::lower_bound(out.items.begin(), out.items.end(), id,
                             [](const HeifItem& a, std::uint32_t b) { return a.id < b; });
        return it != out.items.end() && it->id == id ? &*it : nullptr;
    };
    for (const Location& loc : lists.locations) {
        HeifItem* item = find(loc.id);
        if (item == nullptr)
            continue;
        if (item->located)
            return damaged("an item located twice");
        if (loc.method == 1 && !lists.hasIdat)
            return damaged("item bytes in an idat box that is not there");
        // Phones write one extent an item; hundreds would only make each tile's reading slow.
        if (loc.extents.size() > kMostExtents)
            return strange("an item in more than 256 pieces");
        const HeifRange within = loc.method == 1 ? lists.idat : HeifRange{0, size};
        std::uint64_t total = 0;
        for (const auto& [offset, length] : loc.extents) {
            if (loc.base > within.size || offset > within.size - loc.base ||
                length > within.size - loc.base - offset)
                return damaged("item bytes outside the file");
            total += length;
            // Extents may overlap: an item is never taken as longer than the file.
            if (total > size)
                return damaged("an item longer than its file");
            item->extents.push_back({within.offset + static_cast<std::size_t>(loc.base + offset),
                                     static_cast<std::size_t>(length)});
        }
        item->located = true;
    }
    for (const Reference& ref : lists.references) {
        HeifItem* from = find(ref.from);
        if (from == nullptr)
            return damaged("a reference from an item that is not there");
        if (ref.type == fourcc("dimg")) {
            if (!from->derivedFrom.empty())
                return strange("an item derived twice");
            from->derivedFrom = ref.to;
        } else if (ref.type == fourcc("auxl")) {
            for (const std::uint32_t to : ref.to)
                if (HeifItem* master = find(to))
                    master->hasAuxiliary = true;
        }
    }
    for (const Associations& a : lists.associations) {
        HeifItem* item = find(a.id);
        if (item == nullptr)
            return damaged("properties of an item that is not there");
        for (const HeifAssociation& p : a.list)
            if (p.index >= out.properties.size())
                return damaged("a property that is not there");
        item->properties.insert(item->properties.end(), a.list.begin(), a.list.end());
        // Each tile's properties are looked through several times.
        if (item->properties.size() > kMostExtents)
            return strange("an item with more than 256 properties");
    }
    return {};
}

// The body of an item property as a reader.
Reader bodyOf(const unsigned char* data, const HeifProperty& p) {
    return Reader(data, p.body.offset, p.body.offset + p.body.size);
}

// A tile's stored size (its ispe), or an Error.
Error tileSize(const unsigned char* data, const HeifBoxes& boxes, const HeifItem& tile,
               std::uint32_t& width, std::uint32_t& height) {
    const HeifProperty* ispe = boxes.property(tile, fourcc("ispe"));
    if (ispe == nullptr)
        return damaged("a tile without a stated size");
    Reader r = bodyOf(data, *ispe);
    r.u32(); // version and flags
    width = r.u32();
    height = r.u32();
    if (!r.ok() || width == 0 || height == 0)
        return damaged("a tile of no size");
    return {};
}

} // namespace

const HeifItem* HeifBoxes::item(std::uint32_t id) const {
    const auto it = std::lower_bound(items.begin(), items.end(), id,
                                     [](const HeifItem& a, std::uint32_t b) { return a.id < b; });
    return it != items.end() && it->id == id ? &*it : nullptr;
}

const HeifProperty* HeifBoxes::property(const HeifItem& of, std::uint32_t type) const {
    for (const HeifAssociation& a : of.properties)
        if (properties[a.index].type == type)
            return &properties[a.index];
    return nullptr;
}

Error readHeifBoxes(const unsigned char* data, std::size_t size, HeifBoxes& out) {
    HeifBoxes boxes;
    Reader top(data, 0, size);
    Box meta;
    do {
        if (top.atEnd() || !nextBox(top, meta))
            return damaged("no meta box");
    } while (meta.type != fourcc("meta"));
    std::uint32_t version = 0, flags = 0;
    Reader r = fullBody(data, meta, version, flags);
    if (!r.ok() || version != 0)
        return strange("a meta box of an unknown version");
    MetaLists lists;
    Box box;
    while (!r.atEnd()) {
        if (!nextBox(r, box))
            return damaged("a box runs past the meta box");
        Error e;
        if (box.type == fourcc("pitm")) {
            Reader p = fullBody(data, box, version, flags);
            boxes.primary = version == 0 ? p.u16() : p.u32();
            if (!p.ok())
                e = damaged("the primary item's box cut short");
        } else if (box.type == fourcc("iinf")) {
            e = readIinf(data, box, boxes);
        } else if (box.type == fourcc("iloc")) {
            e = readIloc(data, box, lists);
        } else if (box.type == fourcc("iref")) {
            e = readIref(data, box, lists);
        } else if (box.type == fourcc("iprp")) {
            e = readIprp(data, box, boxes, lists);
        } else if (box.type == fourcc("idat")) {
            lists.idat = {box.body, box.end - box.body};
            lists.hasIdat = true;
        }
        if (e)
            return e;
    }
    if (Error e = join(size, lists, boxes))
        return e;
    out = std::move(boxes);
    return {};
}

std::vector<unsigned char> heifItemBytes(const unsigned char* data, const HeifItem& item) {
    std::vector<unsigned char> bytes;
    for (const HeifRange& e : item.extents)
        bytes.insert(bytes.end(), data + e.offset, data + e.offset + e.size);
    return bytes;
}

int heifOrientation(int quarterTurns, int mirrorAxis, bool mirrorFirst) {
    // By quarter turns anticlockwise, then none, left-right, top-bottom mirrored after it.
    static const int kOrientation[4][3] = {{1, 2, 4}, {8, 7, 5}, {3, 4, 2}, {6, 5, 7}};
    const int turns = quarterTurns & 3;
    // Axis 0 swaps top and bottom, as libheif reads it when it decodes a picture whole: a grid
    // shows the same whichever way it is decoded.
    int mirror = mirrorAxis < 0 ? 0 : 2 - (mirrorAxis & 1);
    // A mirror before an odd turn is the other mirror after it.
    if (mirrorFirst && mirror != 0 && turns % 2 == 1)
        mirror = 3 - mirror;
    return kOrientation[turns][mirror];
}

Error heifGridOf(const unsigned char* data, std::size_t size, const HeifBoxes& boxes,
                 std::uint64_t pixelLimit, HeifGrid& out) {
    const HeifItem* item = boxes.item(boxes.primary);
    if (item == nullptr)
        return damaged("no primary item");
    if (item->type != fourcc("grid"))
        return strange("the primary item is not a grid");
    if (item->hasAuxiliary)
        return strange("a grid with an auxiliary picture");
    HeifGrid grid;
    int turns = -1, mirror = -1;
    bool mirrorFirst = false;
    for (const HeifAssociation& a : item->properties) {
        const HeifProperty& p = boxes.properties[a.index];
        const bool turn = p.type == fourcc("irot"), flip = p.type == fourcc("imir");
        if (p.type == fourcc("clap"))
            return strange("a cropped grid");
        if ((turn && turns >= 0) || (flip && mirror >= 0))
            return strange("a grid turned or mirrored twice");
        if (turn || flip) {
            Reader r = bodyOf(data, p);
            const int v = static_cast<int>(r.u8());
            if (!r.ok())
                return damaged("a turn or mirror property cut short");
            (turn ? turns : mirror) = v & (turn ? 3 : 1);
            mirrorFirst = mirrorFirst || (flip && turns < 0);
        }
    }
    grid.orientation = heifOrientation(std::max(turns, 0), mirror, mirrorFirst);
    const std::vector<unsigned char> bytes = heifItemBytes(data, *item);
    Reader r(bytes.data(), 0, bytes.size());
    const std::uint32_t version = r.u8();
    const unsigned sideBytes = (r.u8() & 1) != 0 ? 4 : 2;
    grid.rows = r.u8() + 1;
    grid.columns = r.u8() + 1;
    grid.width = static_cast<std::uint32_t>(r.read(sideBytes));
    grid.height = static_cast<std::uint32_t>(r.read(sideBytes));
    if (!r.ok())
        return damaged("the grid's description cut short");
    if (version != 0)
        return strange("a grid of an unknown version");
    if (grid.width == 0 || grid.height == 0)
        return damaged("a grid of no size");
    if (item->derivedFrom.size() != std::size_t{grid.rows} * grid.columns)
        return damaged("a grid naming more or fewer tiles than its rows and columns hold");
    std::vector<std::uint32_t> ids = item->derivedFrom;
    std::sort(ids.begin(), ids.end());
    if (std::adjacent_find(ids.begin(), ids.end()) != ids.end())
        return strange("a tile named twice in a grid");
    std::uint64_t tileBytes = 0;
    for (const std::uint32_t id : item->derivedFrom) {
        const HeifItem* tile = boxes.item(id);
        if (tile == nullptr || !tile->located)
            return damaged("a tile that is not there");
        if (grid.tiles.empty())
            grid.tileType = tile->type;
        const bool hevc = tile->type == fourcc("hvc1"), av1 = tile->type == fourcc("av01");
        if (tile->type != grid.tileType || (!hevc && !av1))
            return strange("tiles of different or unknown kinds");
        if (boxes.property(*tile, fourcc(hevc ? "hvcC" : "av1C")) == nullptr)
            return damaged("a tile without its decoder configuration");
        for (const std::uint32_t own : {fourcc("irot"), fourcc("imir"), fourcc("clap")})
            if (boxes.property(*tile, own) != nullptr)
                return strange("a tile turned or cropped on its own");
        // Tiles lie apart in the file: taken together they are never longer than the file
        // (tiles named again, or overlapping, would have their bytes copied over and over).
        for (const HeifRange& e : tile->extents)
            tileBytes += e.size;
        if (tileBytes > size)
            return damaged("tiles whose bytes add up to more than the file");
        std::uint32_t w = 0, h = 0;
        if (Error e = tileSize(data, boxes, *tile, w, h))
            return e;
        if (grid.tiles.empty()) {
            grid.tileWidth = w;
            grid.tileHeight = h;
        }
        if (w != grid.tileWidth || h != grid.tileHeight)
            return strange("tiles of different sizes");
        grid.tiles.push_back(tile);
    }
    const std::uint64_t across = std::uint64_t{grid.columns} * grid.tileWidth;
    const std::uint64_t down = std::uint64_t{grid.rows} * grid.tileHeight;
    if (across < grid.width || down < grid.height)
        return damaged("tiles too few to cover the grid");
    if (across * down > pixelLimit)
        return Error(grErrc::tooManyPixels, "the picture has more pixels than allowed");
    out = std::move(grid);
    return {};
}

namespace {

void put(std::vector<unsigned char>& out, std::uint64_t v, unsigned bytes) {
    for (unsigned i = bytes; i-- > 0;)
        out.push_back(static_cast<unsigned char>(v >> 8 * i));
}

// Opens a box (a full box when version >= 0): returns where its size goes.
std::size_t open(std::vector<unsigned char>& out, std::uint32_t type, int version = -1,
                 std::uint32_t flags = 0) {
    const std::size_t at = out.size();
    put(out, 0, 4);
    put(out, type, 4);
    if (version >= 0) {
        put(out, static_cast<std::uint32_t>(version), 1);
        put(out, flags, 3);
    }
    return at;
}

void close(std::vector<unsigned char>& out, std::size_t at) {
    const std::uint64_t size = out.size() - at;
    for (unsigned i = 0; i < 4; ++i)
        out[at + i] = static_cast<unsigned char>(size >> 8 * (3 - i));
}

} // namespace

std::vector<unsigned char> writeHeif(std::uint32_t brand, const std::vector<HeifItemOut>& items) {
    std::vector<unsigned char> out;
    std::size_t box = open(out, fourcc("ftyp"));
    put(out, brand, 4);
    put(out, 0, 4);
    put(out, fourcc("mif1"), 4);
    put(out, brand, 4);
    close(out, box);
    const std::size_t meta = open(out, fourcc("meta"), 0);
    box = open(out, fourcc("hdlr"), 0);
    put(out, 0, 4);
    put(out, fourcc("pict"), 4);
    out.insert(out.end(), 13, 0); // reserved, and an empty name
    close(out, box);
    box = open(out, fourcc("pitm"), 0);
    put(out, 1, 2);
    close(out, box);
    box = open(out, fourcc("iinf"), 0);
    put(out, items.size(), 2);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::size_t infe = open(out, fourcc("infe"), 2);
        put(out, i + 1, 2);
        put(out, 0, 2);
        put(out, items[i].type, 4);
        put(out, 0, 1);
        close(out, infe);
    }
    close(out, box);
    box = open(out, fourcc("iref"), 0);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].derivedFrom.empty())
            continue;
        const std::size_t dimg = open(out, fourcc("dimg"));
        put(out, i + 1, 2);
        put(out, items[i].derivedFrom.size(), 2);
        for (const std::uint16_t id : items[i].derivedFrom)
            put(out, id, 2);
        close(out, dimg);
    }
    close(out, box);
    // Version 1: each item's bytes in mdat (method 0, offsets patched below) or in idat.
    box = open(out, fourcc("iloc"), 1);
    put(out, 0x4400, 2);
    put(out, items.size(), 2);
    std::vector<std::size_t> offsetAt(items.size());
    std::uint64_t inIdat = 0, inMdat = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        put(out, i + 1, 2);
        put(out, items[i].inIdat ? 1 : 0, 2);
        put(out, 0, 2);
        put(out, 1, 2);
        offsetAt[i] = out.size();
        std::uint64_t& at = items[i].inIdat ? inIdat : inMdat;
        put(out, at, 4);
        put(out, items[i].data.size(), 4);
        at += items[i].data.size();
    }
    close(out, box);
    box = open(out, fourcc("idat"));
    for (const HeifItemOut& item : items)
        if (item.inIdat)
            out.insert(out.end(), item.data.begin(), item.data.end());
    close(out, box);
    const std::size_t iprp = open(out, fourcc("iprp"));
    box = open(out, fourcc("ipco"));
    for (const HeifItemOut& item : items)
        for (const auto& property : item.properties)
            out.insert(out.end(), property.first.begin(), property.first.end());
    close(out, box);
    box = open(out, fourcc("ipma"), 0, 1);
    put(out, items.size(), 4);
    std::uint32_t index = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        put(out, i + 1, 2);
        put(out, items[i].properties.size(), 1);
        for (const auto& property : items[i].properties)
            put(out, ++index | (property.second ? 0x8000u : 0u), 2);
    }
    close(out, box);
    close(out, iprp);
    close(out, meta);
    box = open(out, fourcc("mdat"));
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].inIdat)
            continue;
        const std::uint64_t offset = out.size();
        for (unsigned k = 0; k < 4; ++k)
            out[offsetAt[i] + k] = static_cast<unsigned char>(offset >> 8 * (3 - k));
        out.insert(out.end(), items[i].data.begin(), items[i].data.end());
    }
    close(out, box);
    return out;
}

} // namespace libphoto::detail
