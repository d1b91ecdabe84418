// plugin_host: loads a plugin with dlopen and asks it to describe a picture, then asks it
// about a file that is not there, and unloads it.
// Usage: plugin_host <plugin.so> <picture.bmp>; exit status 0 when both answers are right.

#include <dlfcn.h>

#include <cstdio>

namespace {
using Describe = int (*)(const char*, unsigned*, unsigned*, int*);
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plugin_host <plugin.so> <picture.bmp>\n");
        return 1;
    }
    void* plugin = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (plugin == nullptr) {
        std::fprintf(stderr, "plugin_host: %s\n", dlerror());
        return 1;
    }
    const auto describe = reinterpret_cast<Describe>(dlsym(plugin, "picture_plugin_describe"));
    if (describe == nullptr) {
        std::fprintf(stderr, "plugin_host: %s\n", dlerror());
        return 1;
    }
    unsigned width = 0, height = 0;
    int bits = 0;
    const bool read = describe(argv[2], &width, &height, &bits) == 1;
    const bool refused = describe("/nonexistent.bmp", &width, &height, &bits) == 0;
    dlclose(plugin);
    if (!read || !refused || width == 0 || height == 0 || bits == 0) {
        std::fprintf(stderr, "plugin_host: wrong answers from the plugin\n");
        return 1;
    }
    std::printf("plugin_host: %s is %ux%u, %d bits per pixel: ok\n", argv[2], width, height, bits);
    return 0;
}
