#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace harness {

struct Pixel {
    std::uint8_t r, g, b;
};

// An RGB picture, row by row from the top-left.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // 3 bytes a pixel

    Pixel at(int x, int y) const;
    // Binary PPM: enough to look at a failing test's picture with any viewer.
    bool writePpm(const std::string& path) const;
};

// The smallest rectangle holding every pixel that matches.
struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
std::optional<Box> boundsOf(const Image& image, const std::function<bool(Pixel)>& matches);

// Where the non-black pixels of a picture are and what colour they have.
struct LitPixels {
    int count = 0;
    int grey = 0;     // red, green and blue equal
    double meanX = 0; // centroid of the lit pixels
    double meanY = 0;
};
LitPixels litPixelsOf(const Image& image);

bool isBlue(Pixel pixel);
bool isRed(Pixel pixel);

} // namespace harness
