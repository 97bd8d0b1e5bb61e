#include "app/CatalogueCheck.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kMaxStrings = 100000;

struct Reader {
    const std::string& bytes;
    bool swapped;

    bool Word(size_t at, uint32_t& value) const
    {
        if (at > bytes.size() || bytes.size() - at < 4)
            return false;
        uint32_t raw = 0;
        std::memcpy(&raw, bytes.data() + at, 4);
        value = swapped ? __builtin_bswap32(raw) : raw;
        return true;
    }
    // The string of table entry 'index' at 'table': false when it leaves the file or is not ended.
    bool String(uint32_t table, uint32_t index, std::string& text) const
    {
        uint32_t length = 0, offset = 0;
        const size_t entry = static_cast<size_t>(table) + static_cast<size_t>(index) * 8;
        if (!Word(entry, length) || !Word(entry + 4, offset))
            return false;
        if (offset > bytes.size() || bytes.size() - offset <= length || bytes[offset + length] != '\0')
            return false;
        text.assign(bytes.data() + offset, length);
        return true;
    }
};

// The text for a line of its own: short, without control characters.
std::string Quoted(const std::string& text)
{
    constexpr size_t kShown = 60;
    std::string shown = text.substr(0, kShown);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ')
            c = ' ';
    return text.size() > kShown ? shown + "..." : shown;
}

} // namespace

std::string CatalogueCheck::Conversions(const std::string& format)
{
    std::string conversions;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            i = j;
            continue;
        }
        // Flags, width, precision, then length modifiers up to the conversion letter.
        while (j < format.size() && std::strchr("-+ #0123456789.*'$", format[j]))
            ++j;
        std::string conversion;
        while (j < format.size() && std::strchr("hlLqjzt", format[j]))
            conversion += format[j++];
        if (j < format.size())
            conversion += format[j];
        conversions += conversion + ";";
        i = j;
    }
    return conversions;
}

std::string CatalogueCheck::Problem(const std::string& bytes)
{
    uint32_t magic = 0;
    if (bytes.size() < 28)
        return "too short to be a catalogue";
    std::memcpy(&magic, bytes.data(), 4);
    Reader reader{bytes, magic != kMagic};
    if (magic != kMagic && __builtin_bswap32(magic) != kMagic)
        return "not a catalogue";
    uint32_t count = 0, originals = 0, translations = 0;
    if (!reader.Word(8, count) || !reader.Word(12, originals) || !reader.Word(16, translations) ||
        count > kMaxStrings)
        return "a damaged header";
    for (uint32_t i = 0; i < count; ++i) {
        std::string english, translated;
        if (!reader.String(originals, i, english) || !reader.String(translations, i, translated))
            return "cut short or damaged (entry " + std::to_string(i) + ")";
        if (english.empty())
            continue; // the header entry
        // Plural forms are separated by NULs: each must take the English text's arguments.
        const std::string wanted = Conversions(english.substr(0, english.find('\0')));
        size_t start = 0;
        while (start <= translated.size()) {
            size_t end = translated.find('\0', start);
            if (end == std::string::npos)
                end = translated.size();
            if (Conversions(translated.substr(start, end - start)) != wanted)
                return "a translation of \"" + Quoted(english.substr(0, english.find('\0'))) +
                       "\" takes other arguments";
            start = end + 1;
        }
    }
    return std::string();
}
