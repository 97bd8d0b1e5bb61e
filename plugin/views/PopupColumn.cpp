#include "views/PopupColumn.h"

#include <algorithm>
#include <chrono>

#include <wx/display.h>


std::vector<PopupColumn::Member*> PopupColumn::ms_slots;
std::set<PopupColumn::Member*> PopupColumn::ms_alive;
PopupColumn::Member* PopupColumn::ms_summary = nullptr;
wxSize PopupColumn::ms_outerSize(kPopupWidth, kPopupHeight);

int PopupColumn::GetOpenCount()
{
    return static_cast<int>(std::count_if(ms_slots.begin(), ms_slots.end(),
                                          [](Member* p) { return p != nullptr; }));
}

int PopupColumn::GetCapacity()
{
    // The work area is a round trip to the X server; a flood of events asks for it thousands
    // of times within a second.
    static int capacity = 0;
    static auto measured = std::chrono::steady_clock::time_point();
    const auto now = std::chrono::steady_clock::now();
    if (capacity == 0 || now - measured > std::chrono::seconds(1)) {
        const wxRect area = wxGetClientDisplayRect();
        capacity = std::max(1, area.height / std::max(kPopupHeight, ms_outerSize.y));
        measured = now;
    }
    return capacity;
}

void PopupColumn::CloseAll()
{
    std::vector<Member*> all(ms_alive.begin(), ms_alive.end());
    if (ms_summary)
        all.push_back(ms_summary);
    for (Member* popup : all)
        popup->Dismiss();
}

void PopupColumn::Add(Member* popup)
{
    ms_alive.insert(popup);
}

int PopupColumn::TakeSlot(Member* popup)
{
    const int fit = GetCapacity();
    if (ms_slots.size() < static_cast<size_t>(fit))
        ms_slots.resize(static_cast<size_t>(fit), nullptr);
    auto free = std::find(ms_slots.begin(), ms_slots.begin() + fit, nullptr);
    if (free == ms_slots.begin() + fit) {
        // More popups than the column holds (made without the manager's bound): the next row
        // above, starting again at the bottom once over the top.
        free = std::find(ms_slots.begin(), ms_slots.end(), nullptr);
        if (free == ms_slots.end())
            free = ms_slots.insert(ms_slots.end(), nullptr);
    }
    *free = popup;
    MoveSummary();
    return static_cast<int>(free - ms_slots.begin()) + 1;
}

int PopupColumn::HighestTakenSlot()
{
    for (size_t i = ms_slots.size(); i > 0; --i)
        if (ms_slots[i - 1])
            return static_cast<int>(i);
    return 0;
}

void PopupColumn::MoveSummary()
{
    if (ms_summary)
        ms_summary->MoveToSlotSoon();
}

void PopupColumn::Remove(Member* popup, int slot)
{
    if (slot > 0 && static_cast<size_t>(slot) <= ms_slots.size() && ms_slots[slot - 1] == popup)
        ms_slots[slot - 1] = nullptr;
    ms_alive.erase(popup);
    if (ms_summary == popup)
        ms_summary = nullptr;
    else if (slot > 0)
        MoveSummary();
}

wxPoint PopupColumn::Place(int slot, bool summary, const wxSize& measured)
{
    // The outer size: a window manager may keep a border round undecorated windows (openbox
    // does, 1 pixel), and the slots must not overlap by it.
    if (measured.x >= kPopupWidth && measured.y >= kPopupHeight &&
        (measured.x > kPopupWidth || measured.y > kPopupHeight))
        ms_outerSize = measured; // every popup has the same frame: later ones know it at once
    const wxSize outer = ms_outerSize;
    const wxRect area = wxGetClientDisplayRect();
    const int right = area.x + area.width;
    const int bottom = area.y + area.height;
    const int fit = std::max(1, area.height / outer.y);
    if (summary)
        slot = std::min(HighestTakenSlot() + 1, fit);
    const int row = slot > 0 ? (slot - 1) % fit + 1 : 1;
    return wxPoint(right - outer.x, bottom - row * outer.y);
}

void PopupColumn::MoveAllToSlots(Member* moved)
{
    for (Member* popup : ms_alive)
        if (popup != moved)
            popup->MoveToSlotSoon();
    if (ms_summary && ms_summary != moved)
        ms_summary->MoveToSlotSoon();
}
