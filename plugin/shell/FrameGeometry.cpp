#include "shell/FrameGeometry.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/toplevel.h>

#include "app/Keys.h"
#include "views/DesktopWindowHints.h"

namespace {
// The strip of a frame the user grabs to move it, and how much of it must be on a display.
constexpr int kTitleBarHeight = 24;
constexpr int kGrabWidth = 48;
constexpr int kGrabHeight = 8;
} // namespace

FrameGeometry::FrameGeometry(wxTopLevelWindow* frame) : m_frame(frame) {}

void FrameGeometry::Restore()
{
    int x = Keys::FrameX.Read();
    int y = Keys::FrameY.Read();
    const int width = Keys::FrameWidth.Read();
    const int height = Keys::FrameHeight.Read();
    const bool systemChooses = x == -1 && y == -1;
    if (!systemChooses && !IsReachable(wxRect(x, y, width, height)))
        x = y = -1;
    m_normal = wxRect(x, y, width, height);
    if (!DesktopWindowHints::KnowsWindowPositions()) {
        // The compositor places the window; the stored position stays for the next X session.
        // The shadow round the window is known once it is shown: then it is added.
        m_frame->SetSize(width, height);
        m_frame->CallAfter([this, width, height] {
            const int shadow = DesktopWindowHints::ShadowWidth(m_frame);
            if (shadow > 0)
                m_frame->SetSize(width + shadow, height + shadow);
        });
        return;
    }
    m_frame->SetSize(x, y, width, height, wxSIZE_AUTO);
}

void FrameGeometry::Track()
{
    if (!m_frame->IsShown() || m_frame->IsIconized() || m_frame->IsMaximized() ||
        m_frame->IsFullScreen())
        return;
    if (!DesktopWindowHints::KnowsWindowPositions()) {
        // What the toolkit says of the position is made up, and its size counts the shadow.
        const int shadow = DesktopWindowHints::ShadowWidth(m_frame);
        m_normal.SetSize(m_frame->GetSize() - wxSize(shadow, shadow));
        return;
    }
    m_normal = m_frame->GetRect();
}

void FrameGeometry::Save()
{
    Track();
    Keys::FrameX.Write(m_normal.x);
    Keys::FrameY.Write(m_normal.y);
    Keys::FrameWidth.Write(m_normal.width);
    Keys::FrameHeight.Write(m_normal.height);
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
