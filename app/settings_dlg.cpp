#include "settings_dlg.h"

#include "framework/data_exchange.h"
#include "resource.h"

namespace {

constexpr BYTE kCyrillicCharset = RUSSIAN_CHARSET;  // 204

// Selects the first entry that starts with text (any letter case), searching after the
// first entry and wrapping round.
void SelectByPrefix(HWND combo, const char* text) {
  SendMessageA(combo, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

CSettingsDlg::CSettingsDlg(CWnd* parent)
    : CDialog(IDD_SETTINGS, parent), m_bClassicReading(0) {}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_FONT_NAME, m_strFont);
  DDX_Text(pDX, IDC_FONT_SIZE, m_strSize);
  DDX_Check(pDX, IDC_CLASSIC_READING, m_bClassicReading);
}

int CALLBACK CSettingsDlg::AddFontFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD,
                                         LPARAM self) {
  HWND fonts = reinterpret_cast<CSettingsDlg*>(self)->GetDlgItem(IDC_FONT_NAME);
  // For this enumeration the face is the family's own name.
  const auto* logical = reinterpret_cast<const ENUMLOGFONTEXA*>(font);
  SendMessageA(fonts, CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(logical->elfLogFont.lfFaceName));
  SelectByPrefix(fonts, "Arial");
  return 1;
}

BOOL CSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  LOGFONTA filter{};
  filter.lfCharSet = kCyrillicCharset;
  HDC dc = GetDC(m_hWnd);
  EnumFontFamiliesExA(dc, &filter, &AddFontFamily,
                      reinterpret_cast<LPARAM>(this), 0);
  ReleaseDC(m_hWnd, dc);

  HWND sizes = GetDlgItem(IDC_FONT_SIZE);
  for (const char* size : kSizes) {
    SendMessageA(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(size));
  }
  SelectByPrefix(sizes, "10");
  return TRUE;
}
