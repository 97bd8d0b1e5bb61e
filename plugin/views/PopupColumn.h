#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include <wx/gdicmn.h>

// The column of popups in the bottom-right corner of the work area: which slot each popup
// holds (1 at the bottom), how many the column holds, where a slot lies on the screen, and the
// one summary popup that counts the events that found the column full.
class PopupColumn {
public:
    // What the column asks of the windows it places.
    class Member {
    public:
        // Goes to its place again once the event loop is back (the column changed).
        virtual void MoveToSlotSoon() = 0;
        // Goes for good, shown or not.
        virtual void Dismiss() = 0;

    protected:
        ~Member() = default;
    };

    static constexpr int kPopupWidth = 150;
    static constexpr int kPopupHeight = 150;

    // Popups shown in the column and not yet destroyed.
    static int GetOpenCount();
    // Column popups made and not yet destroyed, shown or still waiting for their thumbnail.
    static int GetAliveCount() { return static_cast<int>(ms_alive.size()); }
    // How many popups the column of the work area holds.
    static int GetCapacity();
    // How many of them announce performers: the top slot is kept for the summary.
    static int GetPopupCapacity() { return std::max(1, GetCapacity() - 1); }
    // The one summary popup, or null; the popup side makes it.
    static Member* GetSummary() { return ms_summary; }
    static void SetSummary(Member* summary) { ms_summary = summary; }
    // Every popup goes, shown or not (the main window closes).
    static void CloseAll();

    // The popups' own bookkeeping.
    static void Add(Member* popup);
    // The lowest free slot, now held by 'popup': a popup never covers another that is open.
    static int TakeSlot(Member* popup);
    // Gives up 'slot' (0: none) and forgets the popup.
    static void Remove(Member* popup, int slot);
    // The top-left corner for 'slot' (or the summary's place), given the outer size the window
    // manager gave a popup (its frame, if any, is learnt from the first that has one).
    static wxPoint Place(int slot, bool summary, const wxSize& outer);
    static wxSize GetOuterSize() { return ms_outerSize; }
    // Every popup but 'moved' goes to its slot again (the manager's frame became known).
    static void MoveAllToSlots(Member* moved);

private:
    // The summary stands in the slot above the highest popup: it follows as they come and go.
    static void MoveSummary();
    static int HighestTakenSlot();

    // Column slots from the bottom: the popup in each, or null.
    static std::vector<Member*> ms_slots;
    static std::set<Member*> ms_alive;
    static Member* ms_summary;
    static wxSize ms_outerSize;
};
