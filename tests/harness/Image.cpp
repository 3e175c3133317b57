#include "Image.hpp"

#include <algorithm>
#include <cstdint>

namespace harness {

void forEachPixel(const Image& image, const std::function<void(int, int, Pixel)>& visit)
{
    // Row by row, four bytes a pixel: the one way to read pixels that every SFML version shares.
    const sf::Vector2u size = image.getSize();
    const std::uint8_t* rgba = image.getPixelsPtr();
    for (unsigned int y = 0; y < size.y; ++y)
        for (unsigned int x = 0; x < size.x; ++x, rgba += 4)
            visit(static_cast<int>(x), static_cast<int>(y), Pixel(rgba[0], rgba[1], rgba[2], rgba[3]));
}

std::optional<Box> boundsOf(const Image& image, const std::function<bool(Pixel)>& matches)
{
    int left = static_cast<int>(image.getSize().x);
    int top = static_cast<int>(image.getSize().y);
    int right = -1;
    int bottom = -1;
    forEachPixel(image, [&](int x, int y, Pixel pixel) {
        if (matches(pixel)) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    });
    if (right < 0)
        return std::nullopt;
    return Box{left, top, right - left + 1, bottom - top + 1};
}

LitPixels litPixelsOf(const Image& image)
{
    LitPixels lit;
    double sumX = 0;
    double sumY = 0;
    forEachPixel(image, [&](int x, int y, Pixel pixel) {
        if (pixel.r == 0 && pixel.g == 0 && pixel.b == 0)
            return;
        ++lit.count;
        if (pixel.r == pixel.g && pixel.g == pixel.b)
            ++lit.grey;
        sumX += x;
        sumY += y;
    });
    if (lit.count > 0) {
        lit.meanX = sumX / lit.count;
        lit.meanY = sumY / lit.count;
    }
    return lit;
}

bool isBlue(Pixel pixel)
{
    return pixel.b > 200 && pixel.r < 50 && pixel.g < 50;
}

bool isRed(Pixel pixel)
{
    return pixel.r > 200 && pixel.g < 50 && pixel.b < 50;
}

} // namespace harness
