#pragma once

#include <wx/string.h>

class wxTreeCtrl;
class wxWindow;

// A plain-text description of the application's top-level windows and what they show: titles,
// notebook pages, the groups of trees with their first performers, lists, the search field,
// static texts. The host prints it on SIGUSR1, for
// support and for scripted checks of a running session.
class WindowReport {
public:
    static wxString Describe();

private:
    static void DescribeTree(const wxTreeCtrl& tree, const wxString& indent, wxString& out);
    static void DescribeChildren(const wxWindow* window, int depth, wxString& out);
};
