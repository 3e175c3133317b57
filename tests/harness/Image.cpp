#include "Image.hpp"

#include <algorithm>
#include <fstream>

namespace harness {

Pixel Image::at(int x, int y) const
{
    const std::size_t offset =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return Pixel{rgb[offset], rgb[offset + 1], rgb[offset + 2]};
}

bool Image::writePpm(const std::string& path) const
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << width << ' ' << height << "\n255\n";
    file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(file);
}

std::optional<Box> boundsOf(const Image& image, const std::function<bool(Pixel)>& matches)
{
    int left = image.width;
    int top = image.height;
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (matches(image.at(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return std::nullopt;
    return Box{left, top, right - left + 1, bottom - top + 1};
}

LitPixels litPixelsOf(const Image& image)
{
    LitPixels lit;
    double sumX = 0;
    double sumY = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Pixel pixel = image.at(x, y);
            if (pixel.r == 0 && pixel.g == 0 && pixel.b == 0)
                continue;
            ++lit.count;
            if (pixel.r == pixel.g && pixel.g == pixel.b)
                ++lit.grey;
            sumX += x;
            sumY += y;
        }
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
