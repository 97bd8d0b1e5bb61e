#pragma once

#include <string>

namespace sitesim {

// Draws a performer's thumbnail, a JPEG as the real site serves, whose colours and pattern
// follow from the name. Its centre is a light disc of kDiscColour.
class ThumbnailPainter {
public:
    static constexpr int kWidth = 107;
    static constexpr int kHeight = 82;
    static constexpr unsigned kDiscColour = 0xF0C8B4; // 240, 200, 180

    static std::string JpegFor(const std::string& name);
    static std::string EncodeJpeg(int width, int height, const std::string& rgb, int quality = 90);
};

} // namespace sitesim
