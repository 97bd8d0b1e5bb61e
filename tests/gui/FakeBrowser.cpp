#include "FakeBrowser.h"

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "EventPump.h"

FakeBrowser::FakeBrowser()
{
    // Lower case only: the toolkit's reading of .desktop files lower-cases the command.
    static int serial = 0;
    m_dir = wxString::Format("%s/sorvik-xdg-%lu-%d", wxFileName::GetTempDir().Lower(),
                             wxGetProcessId(), ++serial);
    wxFileName::Mkdir(m_dir + "/applications", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    m_record = m_dir + "/address";
    const wxString script = m_dir + "/fakebrowser";
    {
        wxFFile file(script, "w");
        file.Write("#!/bin/sh\nprintf '%s' \"$1\" > '" + m_record + ".part' && mv '" + m_record +
                   ".part' '" + m_record + "'\n");
    }
    wxExecute("chmod +x " + script, wxEXEC_SYNC);
    {
        wxFFile file(m_dir + "/applications/sorvik-fakebrowser.desktop", "w");
        file.Write("[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=" + script +
                   " %u\nMimeType=text/html;\n");
    }
    m_hadDataHome = wxGetEnv("XDG_DATA_HOME", &m_oldDataHome);
    wxSetEnv("XDG_DATA_HOME", m_dir);
}

FakeBrowser::~FakeBrowser()
{
    if (m_hadDataHome)
        wxSetEnv("XDG_DATA_HOME", m_oldDataHome);
    else
        wxUnsetEnv("XDG_DATA_HOME");
    wxFileName::Rmdir(m_dir, wxPATH_RMDIR_RECURSIVE);
}

wxString FakeBrowser::WaitForAddress(int timeoutMs)
{
    if (!PumpUntil([&] { return wxFileExists(m_record); }, timeoutMs))
        return wxString();
    wxString address;
    {
        wxFFile file(m_record, "r");
        file.ReadAll(&address);
    }
    wxRemoveFile(m_record);
    return address;
}
