#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include <wx/gdicmn.h>

class PopupDialog;

// The column of popups in the bottom-right corner of the work area: which slot each popup
// holds (1 at the bottom), how many the column holds, where a slot lies on the screen, and the
// one summary popup that counts the events that found the column full.
class PopupColumn {
public:
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
    // Counts one more event that found the column full, in the summary popup (made if needed).
    static void AddToSummary(int kind);
    static PopupDialog* GetSummary() { return ms_summary; }
    // Every popup goes, shown or not (the main window closes).
    static void CloseAll();

    // The popups' own bookkeeping.
    static void Add(PopupDialog* popup);
    // The lowest free slot, now held by 'popup': a popup never covers another that is open.
    static int TakeSlot(PopupDialog* popup);
    // Gives up 'slot' (0: none) and forgets the popup.
    static void Remove(PopupDialog* popup, int slot);
    // The top-left corner for 'slot' (or the summary's place), given the outer size the window
    // manager gave a popup (its frame, if any, is learnt from the first that has one).
    static wxPoint Place(int slot, bool summary, const wxSize& outer);
    static wxSize GetOuterSize() { return ms_outerSize; }
    // Every popup but 'moved' goes to its slot again (the manager's frame became known).
    static void MoveAllToSlots(PopupDialog* moved);

private:
    // The summary stands in the slot above the highest popup: it follows as they come and go.
    static void MoveSummary();
    static int HighestTakenSlot();

    // Column slots from the bottom: the popup in each, or null.
    static std::vector<PopupDialog*> ms_slots;
    static std::set<PopupDialog*> ms_alive;
    static PopupDialog* ms_summary;
    static wxSize ms_outerSize;
};
