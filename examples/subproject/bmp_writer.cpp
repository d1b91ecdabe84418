#include "bmp_writer.h"

#include <fstream>

namespace parent {

namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

bool writeBmp24(const std::string& path, int width, int height,
                const std::vector<std::uint8_t>& bgr) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out{'B', 'M'};
    put(out, 54 + pixelBytes, 4);
    put(out, 0, 4);
    put(out, 54, 4);
    for (std::uint32_t v :
         {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})
        put(out, v, 4);
    put(out, 1, 2);
    put(out, 24, 2);
    for (std::uint32_t v : {0u, pixelBytes, 2835u, 2835u, 0u, 0u})
        put(out, v, 4);
    for (int row = 0; row < height; ++row) {
        const auto first = bgr.begin() + row * width * 3;
        out.insert(out.end(), first, first + width * 3);
        out.resize(out.size() + (stride - static_cast<std::uint32_t>(width) * 3), 0);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

} // namespace parent
