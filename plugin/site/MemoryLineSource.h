#pragma once

#include <cstddef>
#include <string>

#include "site/LineSource.h"

// Lines of an in-memory body; LF, CR and CR LF each end a line. Bytes are read as UTF-8, and as
// Latin-1 when a line is not valid UTF-8.
class MemoryLineSource : public LineSource {
public:
    // The text must outlive the source.
    explicit MemoryLineSource(const std::string& text);
    bool ReadLine(wxString& line) override;

private:
    const std::string& m_text;
    size_t m_pos = 0;
};
