#include "net/Base64Encode.h"

wxString Base64Encode(const unsigned char* data, size_t length)
{
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < length; i += 3) {
        const unsigned b0 = data[i], b1 = data[i + 1], b2 = data[i + 2];
        out += alphabet[b0 >> 2];
        out += alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out += alphabet[((b1 & 15) << 2) | (b2 >> 6)];
        out += alphabet[b2 & 63];
    }
    if (length - i == 1) {
        const unsigned b0 = data[i];
        out += alphabet[b0 >> 2];
        out += alphabet[(b0 & 3) << 4];
        out += "==";
    } else if (length - i == 2) {
        const unsigned b0 = data[i], b1 = data[i + 1];
        out += alphabet[b0 >> 2];
        out += alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out += alphabet[(b1 & 15) << 2];
        out += '=';
    }
    return wxString::FromAscii(out.c_str());
}
