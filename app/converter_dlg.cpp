#include "converter_dlg.h"

#include <commctrl.h>

#include <cstring>

#include "about_dlg.h"
#include "conversion_controls.h"
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
      m_eReading(VELLUMINE_READING_DEFAULT),
      m_nFormat(-1),
      m_bConvertTables(0),
      m_bConvertAll(0),
      m_nTotal(0),
      m_bWalk(false),
      m_hIcon(LoadIconA(CurrentResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_nConverted(0),
      m_szInputPath(),
      m_szOutputPath(),
      m_szStartDir() {}

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

  const std::string currentDirectory = CurrentDirectory();
  CopyPath(m_szStartDir, currentDirectory);
  vellumine::Settings settings;
  if (vellumine::ReadSettings(settings)) {
    CopyPath(m_szInputPath, settings.inputPath);
    CopyPath(m_szOutputPath, settings.outputPath);
    m_eReading = settings.reading;
  } else {
    CopyPath(m_szInputPath, currentDirectory);
    CopyPath(m_szOutputPath, currentDirectory);
    m_eReading = VELLUMINE_READING_DEFAULT;
  }
  m_edInput.SetText(m_szInputPath);
  m_edOutput.SetText(m_szOutputPath);

  HWND encoding = GetDlgItem(IDC_ENCODING);
  for (const vellumine::EncodingListEntry& entry : vellumine::kEncodingList) {
    SendMessageA(encoding, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.label));
  }
  SendMessageA(encoding, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(vellumine::kEncodingList[0].label));

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
  choices.convertAll = m_bConvertAll == 1;
  vellumine_options& options = choices.options;
  vellumine::SetFormat(options, m_nFormat, m_bConvertTables != 0);
  // The selected label, as the list holds it; none selected is Auto-Select.
  const LRESULT selected = SendDlgItemMessageA(m_hWnd, IDC_ENCODING, CB_GETCURSEL, 0, 0);
  std::string label;
  if (selected != CB_ERR) {
    LRESULT length = SendDlgItemMessageA(m_hWnd, IDC_ENCODING, CB_GETLBTEXTLEN,
                                         static_cast<WPARAM>(selected), 0);
    label.assign(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    SendDlgItemMessageA(m_hWnd, IDC_ENCODING, CB_GETLBTEXT, static_cast<WPARAM>(selected),
                        reinterpret_cast<LPARAM>(label.data()));
  }
  options.encoding = vellumine::EncodingOfLabel(selected != CB_ERR ? label.c_str() : nullptr);
  options.font_name = m_strFontName.c_str();
  options.font_size = vellumine::ReadFontSize(m_strFontSize.c_str());
  options.reading = m_eReading;

  SetTotalPercentText("0");
  vellumine::ConvertEnvironment environment{vellumine::NativeFileSystem(), m_szStartDir};
  environment.convert = m_fnConvert;
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
  if (!vellumine::WriteSettings(m_szStartDir, {m_szInputPath, m_szOutputPath, m_eReading})) {
    prompts.ShowMessage(m_hWnd,
                        "Can't write " + vellumine::SettingsFilePath(m_szStartDir) + " file.",
                        vellumine::kErrorCaption, MB_OK);
    return;
  }
  std::string text = std::string("Input path: \"") + m_szInputPath + "\".\nOutput path: \"" +
                     m_szOutputPath + "\".\n";
  if (m_eReading == VELLUMINE_READING_CLASSIC)
    text += "Classic reading (the output of version 1.2).\n";
  text += "\nSaved successfully.";
  prompts.ShowMessage(m_hWnd, text, vellumine::kThanksCaption, MB_OK);
}

void CConverterDlg::OnSettings() {
  CSettingsDlg settings(this);
  settings.m_bClassicReading = m_eReading == VELLUMINE_READING_CLASSIC;
  if (settings.DoModal() != IDOK) return;
  m_strFontName = settings.m_strFont;
  m_strFontSize = settings.m_strSize;
  m_eReading = settings.m_bClassicReading == BST_CHECKED ? VELLUMINE_READING_CLASSIC
                                                         : VELLUMINE_READING_DEFAULT;
}

void CConverterDlg::OnUpdate() { OpenUpdatePage(); }

void CConverterDlg::OnHelpContents() {
  if (CWinApp* app = CWinApp::Current(); app != nullptr) app->WinHelp(0, HELP_FINDER);
}

int CConverterDlg::ShowBox(const std::string& text, bool error, UINT type) {
  const char* caption = error ? vellumine::kErrorCaption : vellumine::kThanksCaption;
  return vellumine::CurrentPrompts().ShowMessage(m_hWnd, text, caption, type);
}

bool CConverterDlg::ConfirmCreateDirectory(const std::string& directory) {
  return ShowBox(vellumine::DirectoryMissingQuestion(directory), true, MB_YESNO) == IDYES;
}

void CConverterDlg::CommandStopped(vellumine::CommandProblem problem, const std::string& path) {
  switch (problem) {
    case vellumine::CommandProblem::CannotCreateOutputDirectory:
      ShowBox(vellumine::CannotCreateDirectoryMessage(path), true, MB_OK);
      break;
    case vellumine::CommandProblem::InputIsDirectory:
      ShowBox("Please select file, or if you have chosen a directory, please, set the switch "
              "\"Convert all\".",
              true, MB_OK);
      break;
  }
}

void CConverterDlg::BatchStarted(const vellumine::BatchStart& batch) {
  m_bWalk = batch.walk;
  m_nTotal = batch.files;
  SendDlgItemMessageA(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETRANGE32, 0, batch.files);
  if (!m_bWalk) return;
  SetTotalPosition(0);
  SetTotalText(vellumine::CountText(0, batch.files));
}

void CConverterDlg::FileStarted(int32_t, const std::string& label) { SetCurrentFileText(label); }

// The conversion runs inside a button handler without dispatching messages, so every
// change is painted at once.
void CConverterDlg::FileProgress(int step, int total) {
  HWND bar = GetDlgItem(IDC_FILE_PROGRESS);
  HWND percent = GetDlgItem(IDC_FILE_PERCENT);
  if (step == 0) SendMessageA(bar, PBM_SETRANGE32, 0, total);
  const std::string text = std::to_string(total > 0 ? step * 100 / total : 0);
  SetWindowTextA(percent, text.c_str());
  UpdateWindow(percent);
  SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
  UpdateWindow(bar);
}

void CConverterDlg::FileFinished(const vellumine::FileReport& report) {
  if (!report.message.empty()) ShowBox(report.message, true, MB_OK);
  if (m_bWalk) {
    SetTotalText(vellumine::CountText(report.converted, m_nTotal));
    SetTotalPosition(report.converted);
    SetTotalPercentText(vellumine::PercentText(report.converted, m_nTotal));
  } else if (!report.failed()) {
    SetTotalPosition(1);
    SetTotalPercentText("100");
  }
}

void CConverterDlg::BatchFinished(const vellumine::ConvertOutcome& outcome) {
  if (outcome.filesNotFound) SetTotalText(vellumine::kFilesNotFoundText);
  // A single file that failed leaves the display as the attempt left it.
  if (outcome.converted == 0 && !m_bWalk) return;
  if (outcome.converted != 0) {
    SetTotalText(vellumine::SummaryText(outcome.converted, outcome.files));
    if (m_bWalk) SetTotalPosition(outcome.files);
    ShowBox(vellumine::CompletedMessage(outcome.converted), false, MB_OK);
    SetTotalText("");
  }
  ResetDisplay();
}

void CConverterDlg::ResetDisplay() {
  SetTotalPosition(0);
  SendDlgItemMessageA(m_hWnd, IDC_FILE_PROGRESS, PBM_SETPOS, 0, 0);
  SetCurrentFileText("");
  SetWindowTextA(GetDlgItem(IDC_FILE_PERCENT), "0");
  SetTotalPercentText("0");
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
