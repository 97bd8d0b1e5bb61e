#pragma once

#include <cstddef>

// What an image says of its size before it is decoded: a few bytes that declare a huge
// picture are refused before a decoder allocates for it (or asserts). Read with the desktop's
// own image loaders (gdk-pixbuf), from the first bytes only.
class ImageHeader {
public:
    // Larger than any popup, thumbnail or skin part could use.
    static constexpr int kMaxSide = 4096;

    // Whether 'data' is an image whose declared width and height are both within 1..maxSide.
    static bool FitsWithin(const void* data, size_t size, int maxSide = kMaxSide);
};
