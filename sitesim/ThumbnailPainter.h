#pragma once

#include <string>

namespace sitesim {

// Draws a performer's thumbnail: a PNG whose colours and pattern follow from the name.
class ThumbnailPainter {
public:
    static constexpr int kWidth = 107;
    static constexpr int kHeight = 82;

    static std::string PngFor(const std::string& name);
    // An uncompressed but valid PNG of 8-bit RGB rows.
    static std::string EncodePng(int width, int height, const std::string& rgb);
};

} // namespace sitesim
