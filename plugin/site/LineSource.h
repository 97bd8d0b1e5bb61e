#pragma once

#include <wx/string.h>

// Lines of a text, as the online list reader consumes them.
class LineSource {
public:
    virtual ~LineSource() = default;
    // Reads the next line without its terminator. False when the data ended (or failed) before a
    // line terminator: that last piece is not a line to examine.
    virtual bool ReadLine(wxString& line) = 0;
};
