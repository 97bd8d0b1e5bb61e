#include "skin/ImageHeader.h"

#include <algorithm>

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace {
struct Declared {
    int width = 0;
    int height = 0;
};

void OnSizePrepared(GdkPixbufLoader*, int width, int height, gpointer data)
{
    auto* declared = static_cast<Declared*>(data);
    declared->width = width;
    declared->height = height;
}

// The header is at the start: it is fed in small pieces and the feeding stops as soon as the
// size is known, before the rest is decoded.
constexpr size_t kPiece = 256;
} // namespace

bool ImageHeader::FitsWithin(const void* data, size_t size, int maxSide)
{
    if (!data || size == 0)
        return false;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    Declared declared;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(&OnSizePrepared), &declared);
    const auto* bytes = static_cast<const guchar*>(data);
    for (size_t done = 0; done < size && declared.width == 0; done += kPiece) {
        GError* error = nullptr;
        const bool fed = gdk_pixbuf_loader_write(loader, bytes + done, std::min(kPiece, size - done), &error);
        if (error)
            g_error_free(error);
        if (!fed)
            break;
    }
    // The loader holds back its first kilobyte until it knows the format: a shorter file says
    // its size only as it is closed. Closed unfinished on purpose: the missing rest does not matter.
    GError* error = nullptr;
    gdk_pixbuf_loader_close(loader, &error);
    if (error)
        g_error_free(error);
    g_signal_handlers_disconnect_by_data(loader, &declared);
    g_object_unref(loader);
    return declared.width > 0 && declared.height > 0 && declared.width <= maxSide && declared.height <= maxSide;
}
