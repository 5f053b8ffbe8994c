#include "converter_dlg.h"

#include <commctrl.h>

#include <cstring>

#include "about_dlg.h"
#include "encoding.h"
#include "file_system.h"
#include "framework/data_exchange.h"
#include "framework/prompts.h"
#include "framework/win_app.h"
#include "link_targets.h"
#include "resource.h"
#include "result_messages.h"
#include "settings_dlg.h"
#include "settings_file.h"
#include "update_page.h"

namespace {

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string CurrentDirectory() {
  char directory[MAX_PATH] = {};
  DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  return length > 0 && length < MAX_PATH ? std::string(directory, length) : std::string();
}

// A box's text, at most 259 characters.
std::string ReadPathBox(const CWnd& box) {
  std::string text = box.GetText();
  if (text.size() > MAX_PATH - 1) text.resize(MAX_PATH - 1);
  return text;
}

}  // namespace

void CopyPath(char (&buffer)[MAX_PATH], const std::string& text) {
  size_t length = text.copy(buffer, MAX_PATH - 1);
  buffer[length] = '\0';
}

const CommandEntry<CConverterDlg> CConverterDlg::kCommands[] = {
    {IDC_CONVERT, BN_CLICKED, &CConverterDlg::OnConvert},
    {IDC_BROWSE_INPUT, BN_CLICKED, &CConverterDlg::OnBrowseInput},
    {IDC_BROWSE_OUTPUT, BN_CLICKED, &CConverterDlg::OnBrowseOutput},
    {IDC_FORMAT_TXT, BN_CLICKED, &CConverterDlg::OnFormatText},
    {IDC_FORMAT_RTF, BN_CLICKED, &CConverterDlg::OnFormatRtf},
    {ID_HELP_ABOUT, 0, &CConverterDlg::OnAbout},
    {ID_FILE_QUIT, 0, &CConverterDlg::OnQuit},
    {ID_FILE_SAVE_CONFIGURATION, 0, &CConverterDlg::OnSaveConfiguration},
    {ID_SETTINGS, 0, &CConverterDlg::OnSettings},
    {ID_HELP_UPDATE, 0, &CConverterDlg::OnUpdate},
    {ID_HELP_CONTENTS, 0, &CConverterDlg::OnHelpContents},
};

CConverterDlg::CConverterDlg(CWnd* parent)
    : CDialog(IDD_CONVERTER_DIALOG, parent),
      m_nFormat(-1),
      m_bConvertTables(0),
      m_bConvertAll(0),
      m_nTotal(0),
      m_hIcon(LoadIconA(CurrentResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_nConverted(0),
      m_szInputPath(),
      m_szOutputPath(),
      m_szStartDir(),
      m_fileProgress(nullptr, nullptr) {}

void CConverterDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  m_nFormat = 0;
  DDX_Control(pDX, IDC_LINK_SECOND, m_linkSecond);
  DDX_Control(pDX, IDC_CURRENT_FILE, m_stCurrentFile);
  DDX_Control(pDX, IDC_TOTAL_PERCENT, m_stTotalPercent);
  DDX_Control(pDX, IDC_OUTPUT_PATH, m_edOutput);
  DDX_Control(pDX, IDC_INPUT_PATH, m_edInput);
  DDX_Control(pDX, IDC_TOTAL_FILES, m_stTotalFiles);
  DDX_Radio(pDX, IDC_FORMAT_RTF, m_nFormat);
  DDX_Check(pDX, IDC_CONVERT_TABLES, m_bConvertTables);
  DDX_Check(pDX, IDC_CONVERT_ALL, m_bConvertAll);
  DDX_Control(pDX, IDC_LINK_FIRST, m_linkFirst);
}

BOOL CConverterDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
  char about[128] = {};
  if (systemMenu != nullptr &&
      LoadStringA(CurrentResourceInstance(), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
  }

  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  m_nConverted = 0;
  m_strFontName = "Arial";
  m_strFontSize = "10";
  m_fileProgress = ControlProgressSink(GetDlgItem(IDC_FILE_PROGRESS), GetDlgItem(IDC_FILE_PERCENT));

  const std::string currentDirectory = CurrentDirectory();
  CopyPath(m_szStartDir, currentDirectory);
  std::string inputPath;
  std::string outputPath;
  if (vellumine::ReadSettings(inputPath, outputPath)) {
    CopyPath(m_szInputPath, inputPath);
    CopyPath(m_szOutputPath, outputPath);
  } else {
    CopyPath(m_szInputPath, currentDirectory);
    CopyPath(m_szOutputPath, currentDirectory);
  }
  m_edInput.SetText(m_szInputPath);
  m_edOutput.SetText(m_szOutputPath);

  HWND encoding = GetDlgItem(IDC_ENCODING);
  for (const char* label : vellumine::kEncodingLabels) {
    SendMessageA(encoding, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
  }
  SendMessageA(encoding, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(vellumine::kEncodingLabels[0]));

  m_linkFirst.SetTarget(vellumine::kHomePageUrl);
  m_linkSecond.SetTarget(vellumine::kUserGuideUrl);
  return TRUE;
}

bool CConverterDlg::OnCommand(UINT id, UINT code) {
  return DispatchCommand(*this, kCommands, id, code) || CDialog::OnCommand(id, code);
}

INT_PTR CConverterDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if (OnSysCommand(static_cast<UINT>(wParam))) return TRUE;
      break;
    case WM_PAINT:
      if (OnPaint()) return TRUE;
      break;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_HELP:
      OnHelpContents();
      return TRUE;
    default:
      break;
  }
  return DialogProcDefault(message, wParam, lParam);
}

bool CConverterDlg::OnSysCommand(UINT id) {
  if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
  OnAbout();
  return true;
}

bool CConverterDlg::OnPaint() {
  if (!IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

HICON CConverterDlg::OnQueryDragIcon() { return m_hIcon; }

void CConverterDlg::OnConvert() {
  UpdateData(true);
  vellumine::ConvertChoices choices;
  choices.inputPath = ReadPathBox(m_edInput);
  choices.outputPath = ReadPathBox(m_edOutput);
  choices.format = m_nFormat;
  choices.convertTables = m_bConvertTables != 0;
  choices.convertAll = m_bConvertAll == 1;
  choices.encodingIndex = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_ENCODING, CB_GETCURSEL, 0, 0));
  choices.fontName = m_strFontName;
  choices.fontSize = m_strFontSize;

  vellumine::ConvertEnvironment environment{vellumine::NativeFileSystem(), m_szStartDir};
  std::string outputPath;
  vellumine::ConvertOutcome outcome =
      vellumine::RunConvertCommand(choices, *this, environment, &outputPath);
  CopyPath(m_szOutputPath, outputPath);
  m_nConverted = outcome.converted;
}

void CConverterDlg::OnBrowseInput() {
  vellumine::OpenFileRequest request;
  request.owner = m_hWnd;
  if (!IsDirectory(m_szInputPath)) request.initialFile = m_szInputPath;
  request.filter = kInputFilter;
  request.defaultExtension = kInputDefaultExtension;
  request.templateId = IDD_OPEN_EXTENSION;
  std::string chosen;
  if (!vellumine::CurrentPrompts().OpenFile(request, chosen)) return;
  CopyPath(m_szInputPath, chosen);
  m_edInput.SetText(m_szInputPath);
}

void CConverterDlg::OnBrowseOutput() {
  size_t length = std::strlen(m_szOutputPath);
  if (length > 0 && m_szOutputPath[length - 1] == '\\') m_szOutputPath[length - 1] = '\0';
  std::string chosen;
  // No owner: the main window stays usable while the browser is open.
  if (vellumine::CurrentPrompts().BrowseForFolder(nullptr, kBrowseOutputTitle, m_szOutputPath,
                                                  chosen)) {
    CopyPath(m_szOutputPath, chosen);
  }
  m_edOutput.SetText(m_szOutputPath);
}

void CConverterDlg::OnFormatText() { EnableWindow(GetDlgItem(IDC_CONVERT_TABLES), FALSE); }

void CConverterDlg::OnFormatRtf() { EnableWindow(GetDlgItem(IDC_CONVERT_TABLES), TRUE); }

void CConverterDlg::OnAbout() {
  CAboutDlg about(this);
  about.DoModal();
}

void CConverterDlg::OnQuit() { ExitProcess(0); }

void CConverterDlg::OnSaveConfiguration() {
  CopyPath(m_szInputPath, ReadPathBox(m_edInput));
  CopyPath(m_szOutputPath, ReadPathBox(m_edOutput));
  vellumine::Prompts& prompts = vellumine::CurrentPrompts();
  if (!vellumine::WriteSettings(m_szStartDir, m_szInputPath, m_szOutputPath)) {
    prompts.ShowMessage(m_hWnd,
                        "Can't write " + vellumine::SettingsFilePath(m_szStartDir) + " file.",
                        vellumine::kErrorCaption, MB_OK);
    return;
  }
  std::string text = std::string("Input path: \"") + m_szInputPath + "\".\nOutput path: \"" +
                     m_szOutputPath + "\".\n\nSaved successfully.";
  prompts.ShowMessage(m_hWnd, text, vellumine::kThanksCaption, MB_OK);
}

void CConverterDlg::OnSettings() {
  CSettingsDlg settings(this);
  if (settings.DoModal() != IDOK) return;
  m_strFontName = settings.m_strFont;
  m_strFontSize = settings.m_strSize;
}

void CConverterDlg::OnUpdate() { OpenUpdatePage(); }

void CConverterDlg::OnHelpContents() {
  if (CWinApp* app = CWinApp::Current(); app != nullptr) app->WinHelp(0, HELP_FINDER);
}

vellumine::MessageAnswer CConverterDlg::ShowMessage(const std::string& text,
                                                    vellumine::MessageKind kind,
                                                    vellumine::MessageButtons buttons) {
  UINT type = buttons == vellumine::MessageButtons::YesNo ? MB_YESNO : MB_OK;
  const char* caption =
      kind == vellumine::MessageKind::Error ? vellumine::kErrorCaption : vellumine::kThanksCaption;
  switch (vellumine::CurrentPrompts().ShowMessage(m_hWnd, text, caption, type)) {
    case IDYES:
      return vellumine::MessageAnswer::Yes;
    case IDNO:
      return vellumine::MessageAnswer::No;
    default:
      return vellumine::MessageAnswer::Ok;
  }
}

void CConverterDlg::SetTotalRange(int32_t high) {
  m_nTotal = high;
  SendDlgItemMessageA(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETRANGE32, 0, high);
}

void CConverterDlg::SetTotalPosition(int32_t pos) {
  SendDlgItemMessageA(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
  UpdateWindow(GetDlgItem(IDC_TOTAL_PROGRESS));
}

void CConverterDlg::SetCurrentFileText(const std::string& text) {
  m_stCurrentFile.SetText(text);
  UpdateWindow(m_stCurrentFile.m_hWnd);
}

void CConverterDlg::SetTotalText(const std::string& text) {
  m_stTotalFiles.SetText(text);
  UpdateWindow(m_stTotalFiles.m_hWnd);
}

void CConverterDlg::SetTotalPercentText(const std::string& text) {
  m_stTotalPercent.SetText(text);
  UpdateWindow(m_stTotalPercent.m_hWnd);
}

vellumine::ProgressSink& CConverterDlg::CurrentFileProgress() { return m_fileProgress; }
