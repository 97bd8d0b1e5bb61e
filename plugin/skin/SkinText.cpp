#include "skin/SkinText.h"

#include <wx/dc.h>
#include <wx/font.h>

void SkinText::FitFont(wxDC& dc, wxFont font, const wxString& text, int maxWidth, int minPixels)
{
    dc.SetFont(font);
    while (dc.GetTextExtent(text).x > maxWidth && font.GetPixelSize().y > minPixels) {
        font.SetPixelSize(wxSize(0, font.GetPixelSize().y - 1));
        dc.SetFont(font);
    }
}

int SkinText::ReadablePixels(const wxString& text)
{
    for (wxUniChar c : text) {
        const unsigned long code = c.GetValue();
        // CJK symbols, kana, the unified ideographs and full-width forms.
        if ((code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xF900 && code <= 0xFAFF) ||
            (code >= 0xFF00 && code <= 0xFFEF))
            return 14;
    }
    return 7;
}

wxString SkinText::Shortened(wxDC& dc, const wxString& text, int maxWidth)
{
    if (dc.GetTextExtent(text).x <= maxWidth)
        return text;
    const wxString ellipsis = wxString::FromUTF8("\u2026");
    wxString shorter = text;
    while (!shorter.empty() && dc.GetTextExtent(shorter + ellipsis).x > maxWidth)
        shorter.RemoveLast();
    return shorter.empty() ? shorter : shorter + ellipsis;
}
