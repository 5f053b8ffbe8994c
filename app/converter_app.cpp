#include "converter_app.h"

#include "converter_dlg.h"

CConverterApp theApp;

CConverterApp::CConverterApp() : CWinApp("Vellumine") {}

BOOL CConverterApp::InitInstance() {
  Enable3dControlsStatic();
  CConverterDlg dialog;
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
