#include "about_dlg.h"

#include "resource.h"
#include "update_page.h"

const CommandEntry<CAboutDlg> CAboutDlg::kCommands[] = {
    {IDC_WEB_ADDRESS, BN_CLICKED, &CAboutDlg::OnWebAddress},
};

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

bool CAboutDlg::OnCommand(UINT id, UINT code) {
  return DispatchCommand(*this, kCommands, id, code) || CDialog::OnCommand(id, code);
}

void CAboutDlg::OnWebAddress() { OpenUpdatePage(); }
