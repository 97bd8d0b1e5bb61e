#include <gtest/gtest.h>

#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "skin/ImageHeader.h"

namespace {
std::string Encoded(int width, int height, const char* type)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x808080ff);
    gchar* buffer = nullptr;
    gsize size = 0;
    const bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, type, nullptr, nullptr);
    g_object_unref(pixbuf);
    std::string bytes = saved ? std::string(buffer, size) : std::string();
    g_free(buffer);
    return bytes;
}
} // namespace

// A few bytes that declare a huge picture never reach a decoder; real pictures do.
TEST(ImageHeaderTest, TheDeclaredSizeDecidesBeforeDecoding)
{
    const std::string thumbnail = Encoded(107, 82, "jpeg");
    ASSERT_FALSE(thumbnail.empty());
    EXPECT_TRUE(ImageHeader::FitsWithin(thumbnail.data(), thumbnail.size()));
    const std::string band = Encoded(144, 18, "png");
    EXPECT_TRUE(ImageHeader::FitsWithin(band.data(), band.size()));
    const std::string wide = Encoded(ImageHeader::kMaxSide + 1, 2, "png");
    EXPECT_FALSE(ImageHeader::FitsWithin(wide.data(), wide.size()));

    // 35 bytes of GIF that say 65535 x 65535.
    const unsigned char bomb[] = {'G', 'I', 'F', '8', '9', 'a', 0xff, 0xff, 0xff, 0xff, 0x80, 0, 0,
                                  0, 0, 0, 0xff, 0xff, 0xff, ',', 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff,
                                  0, 2, 2, 'D', 1, 0, ';'};
    EXPECT_FALSE(ImageHeader::FitsWithin(bomb, sizeof bomb));
    const std::string garbage(500, 'x');
    EXPECT_FALSE(ImageHeader::FitsWithin(garbage.data(), garbage.size()));
    EXPECT_FALSE(ImageHeader::FitsWithin(thumbnail.data(), 0));
    // Cut inside its header, a picture has no size to trust.
    EXPECT_FALSE(ImageHeader::FitsWithin(thumbnail.data(), 20));
}
