#include "shell/FrameGeometry.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/toplevel.h>

#include "app/Settings.h"

namespace {
// The strip of a frame the user grabs to move it, and how much of it must be on a display.
constexpr int kTitleBarHeight = 24;
constexpr int kGrabWidth = 48;
constexpr int kGrabHeight = 8;
} // namespace

FrameGeometry::FrameGeometry(wxTopLevelWindow* frame) : m_frame(frame) {}

void FrameGeometry::Restore()
{
    int x = Settings::ReadLong("/MainFrame/x", -1);
    int y = Settings::ReadLong("/MainFrame/y", -1);
    const int width = Settings::ReadLong("/MainFrame/width", 240);
    const int height = Settings::ReadLong("/MainFrame/height", 480);
    const bool systemChooses = x == -1 && y == -1;
    if (!systemChooses && !IsReachable(wxRect(x, y, width, height)))
        x = y = -1;
    m_frame->SetSize(x, y, width, height, wxSIZE_AUTO);
    m_normal = wxRect(x, y, width, height);
}

void FrameGeometry::Track()
{
    if (!m_frame->IsShown() || m_frame->IsIconized() || m_frame->IsMaximized() ||
        m_frame->IsFullScreen())
        return;
    m_normal = m_frame->GetRect();
}

void FrameGeometry::Save()
{
    Track();
    Settings::WriteLong("/MainFrame/x", m_normal.x);
    Settings::WriteLong("/MainFrame/y", m_normal.y);
    Settings::WriteLong("/MainFrame/width", m_normal.width);
    Settings::WriteLong("/MainFrame/height", m_normal.height);
}

bool FrameGeometry::IsReachable(const wxRect& rect)
{
    const wxRect titleBar(rect.x, rect.y, std::max(rect.width, 1), kTitleBarHeight);
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
        const wxRect on = titleBar.Intersect(wxDisplay(i).GetGeometry());
        if (on.width >= std::min(kGrabWidth, titleBar.width) && on.height >= kGrabHeight)
            return true;
    }
    return false;
}
