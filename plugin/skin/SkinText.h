#pragma once

#include <wx/string.h>

class wxDC;
class wxFont;

// Words written on a skin's picture (a band, the splash) in the user's language.
class SkinText {
public:
    // Gives 'dc' the font 'font', made smaller a pixel at a time (not below 'minPixels' high)
    // until 'text' fits in 'maxWidth': a longer translation is smaller, never cut.
    static void FitFont(wxDC& dc, wxFont font, const wxString& text, int maxWidth, int minPixels);

    // The smallest font, in pixels, at which 'text' can be read: kana and kanji need more
    // than Latin letters.
    static int ReadablePixels(const wxString& text);

    // 'text' as FitFont left 'dc' to write it: when even the smallest readable font is too
    // wide, shortened with an ellipsis to what fits.
    static wxString Shortened(wxDC& dc, const wxString& text, int maxWidth);
};
