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
