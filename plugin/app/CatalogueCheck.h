#pragma once

#include <string>

// What is checked of a message catalogue (.mo) before the toolkit reads it (it trusts the
// file) and before a downloaded one replaces the one in use: every offset and length within
// the file, every string ended, and every translation with the same format specifiers as its
// English text (else a text would be formatted with the wrong arguments, or the toolkit would
// assert). The host compiles it too.
class CatalogueCheck {
public:
    // Empty when usable; otherwise why not, for one line on stderr.
    static std::string Problem(const std::string& bytes);
    // The conversions of a printf format ("%d", "%s", "%lu"...), in order; "%%" is none.
    static std::string Conversions(const std::string& format);
};
