// Screenshots: the frame just drawn, read back from GL and written as a PNG file.
#pragma once

#include <string>
#include <vector>

/// One frame's pixels: RGB, 8 bits each, top row first.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

/// Reads the current viewport of the draw buffer into `out`; call it before the swap.
/// Needs the GL context. Returns false for an empty viewport.
bool grabFrame(Frame& out);

/// Writes `frame` as a PNG file at `path`. With `exclusive` an existing file is never
/// replaced (the call fails instead). On failure `reason` says why.
bool writePng(const Frame& frame, const std::string& path, bool exclusive, std::string& reason);

/// Writes `frame` under the first free name "<stem>-001.png", "<stem>-002.png", ... and
/// returns that name in `name`. Never replaces a file, also when two programs race.
bool writeNewPng(const Frame& frame, const std::string& stem, std::string& name,
                 std::string& reason);
