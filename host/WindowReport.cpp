#include "WindowReport.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/toplevel.h>
#include <wx/treectrl.h>

namespace {

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
            << " rect=" << r.x << "," << r.y << "," << r.width << "," << r.height << "\n";
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
            const wxTreeItemId root = tree->GetRootItem();
            if (root.IsOk()) {
                wxTreeItemIdValue cookie;
                for (wxTreeItemId item = tree->GetFirstChild(root, cookie); item.IsOk();
                     item = tree->GetNextChild(root, cookie))
                    out << indent << "tree-item " << Quoted(tree->GetItemText(item)) << " children="
                        << tree->GetChildrenCount(item, false) << "\n";
            }
            continue;
        } else if (const auto* text = dynamic_cast<const wxStaticText*>(child)) {
            out << indent << "text " << Quoted(text->GetLabel()) << "\n";
        }
        DescribeChildren(child, depth + 1, out);
    }
}
