#include "ThumbnailPainter.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jpeglib.h>

namespace sitesim {

std::string ThumbnailPainter::EncodeJpeg(int width, int height, const std::string& rgb, int quality)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            const_cast<char*>(rgb.data() + static_cast<size_t>(info.next_scanline) * width * 3));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return jpeg;
}

std::string ThumbnailPainter::JpegFor(const std::string& name)
{
    const size_t h = std::hash<std::string>()(name);
    const int r0 = 80 + static_cast<int>(h & 0x7F), g0 = 60 + static_cast<int>((h >> 8) & 0x7F),
              b0 = 90 + static_cast<int>((h >> 16) & 0x7F);
    const int stripe = 6 + static_cast<int>((h >> 24) % 10);
    std::string rgb;
    rgb.reserve(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            // A soft face-like disc on a striped backdrop: enough to tell names apart.
            const int dx = x - kWidth / 2, dy = y - kHeight / 2 + 4;
            const bool disc = dx * dx + dy * dy < 26 * 26;
            const bool band = ((x + y) / stripe) % 2 == 0;
            const int r = disc ? (kDiscColour >> 16) & 0xFF : (band ? r0 : r0 / 2);
            const int g = disc ? (kDiscColour >> 8) & 0xFF : (band ? g0 : g0 / 2);
            const int b = disc ? kDiscColour & 0xFF : (band ? b0 : b0 / 2);
            rgb += static_cast<char>(r);
            rgb += static_cast<char>(g);
            rgb += static_cast<char>(b);
        }
    }
    return EncodeJpeg(kWidth, kHeight, rgb);
}

} // namespace sitesim
