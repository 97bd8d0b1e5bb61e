#pragma once

#include <cstddef>

#include <wx/string.h>

// Standard Base64 with "=" padding and no line breaks.
wxString Base64Encode(const unsigned char* data, size_t length);
