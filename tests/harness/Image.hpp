#pragma once

#include <SFML/Graphics/Image.hpp>

#include <functional>
#include <optional>

namespace harness {

// Pictures are SFML's own: pixels through getPixelsPtr(), files through saveToFile() (a PNG by the
// name's ending).
using Image = sf::Image;
using Pixel = sf::Color;

// Calls `visit(x, y, pixel)` for every pixel, row by row from the top-left.
void forEachPixel(const Image& image, const std::function<void(int, int, Pixel)>& visit);

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
