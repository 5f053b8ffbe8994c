#include "settings_dlg.h"

#include "framework/data_exchange.h"
#include "option_table.h"
#include "system_path.h"
#include "resource.h"

namespace {

constexpr BYTE kCyrillicCharset = RUSSIAN_CHARSET;  // 204

// Selects the first entry that starts with text (any letter case), searching after the
// first entry and wrapping round.
void SelectByPrefix(HWND combo, const wchar_t* text) {
  SendMessageW(combo, CB_SELECTSTRING, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

CSettingsDlg::CSettingsDlg(CWnd* parent)
    : CDialog(IDD_SETTINGS, parent), m_bClassicReading(0), m_bEmbedPictures(1) {}

void CSettingsDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_FONT_NAME, m_strFont);
  DDX_Text(pDX, IDC_FONT_SIZE, m_strSize);
  DDX_Check(pDX, IDC_CLASSIC_READING, m_bClassicReading);
  DDX_Check(pDX, IDC_EMBED_PICTURES, m_bEmbedPictures);
}

int CALLBACK CSettingsDlg::AddFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD,
                                         LPARAM self) {
  HWND fonts = reinterpret_cast<CSettingsDlg*>(self)->GetDlgItem(IDC_FONT_NAME);
  // For this enumeration the face is the family's own name.
  const auto* logical = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
  SendMessageW(fonts, CB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(logical->elfLogFont.lfFaceName));
  SelectByPrefix(fonts, vellumine::Utf16FromUtf8(vellumine::OptionNamed("font_name").default_text).c_str());
  return 1;
}

BOOL CSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  LOGFONTW filter{};
  filter.lfCharSet = kCyrillicCharset;
  HDC dc = GetDC(m_hWnd);
  EnumFontFamiliesExW(dc, &filter, &AddFontFamily,
                      reinterpret_cast<LPARAM>(this), 0);
  ReleaseDC(m_hWnd, dc);

  HWND sizes = GetDlgItem(IDC_FONT_SIZE);
  for (const char* size : kSizes) {
    const std::wstring text = vellumine::Utf16FromUtf8(size);
    SendMessageW(sizes, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  const int size = vellumine::OptionNamed("font_size").shown_default;
  SelectByPrefix(sizes, vellumine::Utf16FromUtf8(std::to_string(size)).c_str());
  return TRUE;
}
