#include "ThumbnailPainter.h"

#include <algorithm>
#include <cstdint>
#include <functional>

namespace sitesim {

namespace {

uint32_t Crc32(const std::string& data)
{
    static uint32_t table[256];
    static bool ready = [] {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return true;
    }();
    (void)ready;
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void Put32(std::string& out, uint32_t v)
{
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    Put32(png, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    png += body;
    Put32(png, Crc32(body));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string ZlibStored(const std::string& raw)
{
    std::string out("\x78\x01", 2);
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n >= raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(~n & 0xFF);
        out += static_cast<char>((~n >> 8) & 0xFF);
        out.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, (b << 16) | a);
    return out;
}

} // namespace

std::string ThumbnailPainter::EncodePng(int width, int height, const std::string& rgb)
{
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB, no interlace
    Chunk(png, "IHDR", header);
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw.append(rgb, static_cast<size_t>(y) * width * 3, static_cast<size_t>(width) * 3);
    }
    Chunk(png, "IDAT", ZlibStored(raw));
    Chunk(png, "IEND", std::string());
    return png;
}

std::string ThumbnailPainter::PngFor(const std::string& name)
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
            int r = disc ? 240 : (band ? r0 : r0 / 2);
            int g = disc ? 200 : (band ? g0 : g0 / 2);
            int b = disc ? 180 : (band ? b0 : b0 / 2);
            rgb += static_cast<char>(r);
            rgb += static_cast<char>(g);
            rgb += static_cast<char>(b);
        }
    }
    return EncodePng(kWidth, kHeight, rgb);
}

} // namespace sitesim
