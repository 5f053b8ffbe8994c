// CAboutDlg: the About box (template 100).
#pragma once

#include "framework/command_map.h"
#include "framework/dialog.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);

 protected:
  // Command map: the web-address button -> OnWebAddress.
  bool OnCommand(UINT id, UINT code) override;
  //   void OnWebAddress(): opens the update page
  void OnWebAddress();

 private:
  static const CommandEntry<CAboutDlg> kCommands[];
};
