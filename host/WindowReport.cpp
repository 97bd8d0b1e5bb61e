#include "WindowReport.h"

#include <algorithm>

#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/srchctrl.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/treectrl.h>

namespace {

// Performer items and list rows listed per tree or list, from the top.
constexpr int kItemsShown = 50;

wxString Quoted(const wxString& text)
{
    wxString escaped = text;
    escaped.Replace("\\", "\\\\");
    escaped.Replace("\"", "\\\"");
    escaped.Replace("\n", "\\n");
    return "\"" + escaped + "\"";
}

} // namespace

wxString WindowReport::Describe()
{
    wxString out;
    for (const wxWindow* window : wxTopLevelWindows) {
        const auto* top = dynamic_cast<const wxTopLevelWindow*>(window);
        const wxRect r = window->GetScreenRect();
        out << "window " << window->GetClassInfo()->GetClassName() << " "
            << Quoted(top ? top->GetTitle() : wxString()) << " shown=" << window->IsShown()
            << " rect=" << r.x << "," << r.y << "," << r.width << "," << r.height;
        // What the window asks the window manager for: a dialog wants neither button.
        if (top)
            out << " minimize=" << top->HasFlag(wxMINIMIZE_BOX) << " maximize=" << top->HasFlag(wxMAXIMIZE_BOX);
        out << "\n";
        if (const auto* frame = dynamic_cast<const wxFrame*>(window); frame && frame->GetMenuBar()) {
            const wxMenuBar* bar = frame->GetMenuBar();
            for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
                out << "  menu " << Quoted(bar->GetMenuLabel(i)) << "\n";
                for (const wxMenuItem* item : bar->GetMenu(i)->GetMenuItems())
                    if (!item->IsSeparator())
                        out << "    item " << Quoted(item->GetItemLabel()) << " enabled="
                            << item->IsEnabled() << " checked="
                            << (item->IsCheckable() && item->IsChecked()) << "\n";
            }
        }
        DescribeChildren(window, 1, out);
    }
    out << "end\n";
    return out;
}

void WindowReport::DescribeTree(const wxTreeCtrl& tree, const wxString& indent, wxString& out)
{
    out << indent << "tree " << Quoted(tree.GetName()) << " shown=" << tree.IsShown() << "\n";
    const wxTreeItemId root = tree.GetRootItem();
    if (!root.IsOk())
        return;
    int listed = 0;
    wxTreeItemIdValue groups;
    for (wxTreeItemId group = tree.GetFirstChild(root, groups); group.IsOk();
         group = tree.GetNextChild(root, groups)) {
        out << indent << "tree-item " << Quoted(tree.GetItemText(group)) << " children="
            << tree.GetChildrenCount(group, false) << "\n";
        wxTreeItemIdValue members;
        for (wxTreeItemId item = tree.GetFirstChild(group, members); item.IsOk() && listed < kItemsShown;
             item = tree.GetNextChild(group, members), ++listed)
            out << indent << "  performer " << Quoted(tree.GetItemText(item)) << "\n";
    }
}

void WindowReport::DescribeChildren(const wxWindow* window, int depth, wxString& out)
{
    const wxString indent(' ', depth * 2);
    for (const wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel())
            continue; // reported on its own line
        if (const auto* notebook = dynamic_cast<const wxNotebook*>(child)) {
            for (size_t i = 0; i < notebook->GetPageCount(); ++i)
                out << indent << "page " << Quoted(notebook->GetPageText(i))
                    << " selected=" << (notebook->GetSelection() == static_cast<int>(i))
                    << " enabled=" << notebook->GetPage(i)->IsEnabled() << "\n";
        } else if (const auto* tree = dynamic_cast<const wxTreeCtrl*>(child)) {
            DescribeTree(*tree, indent, out);
            continue;
        } else if (const auto* search = dynamic_cast<const wxSearchCtrl*>(child)) {
            out << indent << "search " << Quoted(search->GetValue()) << "\n";
            continue;
        } else if (const auto* list = dynamic_cast<const wxListCtrl*>(child)) {
            int columns = 0;
            for (int column = 0; column < list->GetColumnCount(); ++column)
                columns += list->GetColumnWidth(column);
            out << indent << "list " << Quoted(list->GetName()) << " rows=" << list->GetItemCount()
                << " width=" << list->GetClientSize().x << " columns=" << columns << "\n";
            for (int row = 0; row < std::min(list->GetItemCount(), kItemsShown); ++row) {
                out << indent << "  row";
                for (int column = 0; column < list->GetColumnCount(); ++column)
                    out << " " << Quoted(list->GetItemText(row, column));
                out << "\n";
            }
            continue;
        } else if (const auto* text = dynamic_cast<const wxStaticText*>(child)) {
            out << indent << "text " << Quoted(text->GetLabel()) << "\n";
        }
        DescribeChildren(child, depth + 1, out);
    }
}
