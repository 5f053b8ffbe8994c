#include "converter_dlg.h"

#include <commctrl.h>

#include <iterator>

#include "about_dlg.h"
#include "conversion_controls.h"
#include "file_system.h"
#include "framework/data_exchange.h"
#include "framework/prompts.h"
#include "system_path.h"
#include "framework/win_app.h"
#include "link_targets.h"
#include "resource.h"
#include "directory_path.h"
#include "option_table.h"
#include "path_style.h"
#include "result_messages.h"
#include "settings_dlg.h"
#include "settings_file.h"
#include "update_page.h"
#include "window_texts.h"

namespace {

std::string CurrentDirectory() {
  // The size asked for, then read; again when the directory changed in between.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::wstring directory(size, L'\0');
    DWORD length = GetCurrentDirectoryW(size, directory.data());
    if (length == 0) return {};
    if (length < size) {
      directory.resize(length);
      return vellumine::Utf8FromUtf16(directory);
    }
  }
  return {};
}

// The RTF header holds the font's name as bytes of the document's code page, and earlier
// versions handed it over in the system's ANSI code page: so does this one, whatever the
// window holds in UTF-8 (a character the code page lacks becomes "?").
std::string FontNameForDocument(const std::string& name) {
  std::string bytes;
  vellumine::AnsiFromUtf8(name, bytes);
  return bytes;
}

// A drop's handle, finished (its memory freed) when it goes out of scope.
class DropScope {
 public:
  explicit DropScope(HDROP drop) : drop_(drop) {}
  ~DropScope() {
    if (drop_ != nullptr) DragFinish(drop_);
  }
  DropScope(const DropScope&) = delete;
  DropScope& operator=(const DropScope&) = delete;

  // The path of item index, empty when there is none.
  std::wstring Path(UINT index) const {
    UINT length = DragQueryFileW(drop_, index, nullptr, 0);
    if (length == 0) return {};
    std::wstring path(static_cast<size_t>(length) + 1, L'\0');
    length = DragQueryFileW(drop_, index, path.data(), length + 1);
    path.resize(length);
    return path;
  }

 private:
  HDROP drop_;
};

// Fills the Encoding list with the labels of the engine's table, in its order, each item
// holding its encoding, and selects the one shown by default.
void FillEncodingList(HWND list) {
  const vellumine_option_info& encoding = vellumine::OptionNamed("encoding");
  for (const vellumine_option_choice& choice : vellumine::ChoicesOf(encoding)) {
    const std::wstring label = vellumine::Utf16FromUtf8(choice.label);
    const LRESULT item =
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
    if (item < 0) continue;
    SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(item), choice.value);
    if (choice.value == encoding.shown_default)
      SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  }
}

// The encoding the list's selected item holds; no selection is the one shown by default.
vellumine_encoding SelectedEncoding(HWND list) {
  const int shown = vellumine::OptionNamed("encoding").shown_default;
  const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
  const LRESULT value = selected == CB_ERR
                            ? CB_ERR
                            : SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
  return static_cast<vellumine_encoding>(value == CB_ERR ? shown : value);
}

}  // namespace

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
      m_eImages(VELLUMINE_IMAGES_EMBED),
      m_nFormat(-1),
      m_bConvertTables(0),
      m_bConvertAll(0),
      m_nTotal(0),
      m_bWalk(false),
      m_hIcon(LoadIconW(CurrentResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_nConverted(0) {}

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
  wchar_t about[128] = {};
  if (systemMenu != nullptr &&
      LoadStringW(CurrentResourceInstance(), IDS_ABOUTBOX, about, std::size(about)) > 0) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
  }

  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  // Files dropped from Explorer; when the program runs as administrator, Explorer's messages
  // are let through too (the drop's and the one that copies its list, 0x0049).
  DragAcceptFiles(m_hWnd, TRUE);
  for (UINT message : {UINT{WM_DROPFILES}, UINT{WM_COPYDATA}, UINT{0x0049}})
    ChangeWindowMessageFilterEx(m_hWnd, message, MSGFLT_ALLOW, nullptr);

  m_nConverted = 0;
  m_strFontName = vellumine::OptionNamed("font_name").default_text;
  m_strFontSize = std::to_string(vellumine::OptionNamed("font_size").shown_default);

  const std::string currentDirectory = CurrentDirectory();
  m_strStartDir = currentDirectory;
  vellumine::Settings settings;
  if (vellumine::ReadSettings(settings)) {
    m_strInputPath = settings.inputPath;
    m_strOutputPath = settings.outputPath;
    m_eReading = settings.reading;
    m_eImages = settings.images;
  } else {
    m_strInputPath = currentDirectory;
    m_strOutputPath = currentDirectory;
    m_eReading = VELLUMINE_READING_DEFAULT;
    m_eImages = VELLUMINE_IMAGES_EMBED;
  }
  m_edInput.SetText(m_strInputPath);
  m_edOutput.SetText(m_strOutputPath);

  FillEncodingList(GetDlgItem(IDC_ENCODING));

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
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
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
  SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

HICON CConverterDlg::OnQueryDragIcon() { return m_hIcon; }

void CConverterDlg::OnDropFiles(HDROP drop) {
  const DropScope dropped(drop);
  const std::wstring path = dropped.Path(0);
  if (path.empty()) return;
  m_strInputPath = vellumine::Utf8FromUtf16(path);
  const bool folder = vellumine::NativeFileSystem().IsDirectory(m_strInputPath);
  m_edInput.SetText(m_strInputPath);
  m_bConvertAll = folder ? 1 : 0;
  CheckDlgButton(m_hWnd, IDC_CONVERT_ALL, folder ? BST_CHECKED : BST_UNCHECKED);
}

void CConverterDlg::OnConvert() {
  UpdateData(true);
  vellumine::ConvertChoices choices;
  choices.inputPath = m_edInput.GetText();
  choices.outputPath = m_edOutput.GetText();
  choices.convertAll = m_bConvertAll == 1;
  vellumine_options& options = choices.options;
  vellumine::SetFormat(options, m_nFormat, m_bConvertTables != 0);
  options.encoding = SelectedEncoding(GetDlgItem(IDC_ENCODING));
  const std::string fontName = FontNameForDocument(m_strFontName);
  options.font_name = fontName.c_str();
  options.font_size = vellumine::ReadFontSize(m_strFontSize.c_str());
  options.reading = m_eReading;
  options.images = m_eImages;

  // The paths are remembered as typed, with the reading and pictures, whatever happens next.
  vellumine::WriteSettings(m_strStartDir,
                           {choices.inputPath, choices.outputPath, m_eReading, m_eImages});
  m_strOutputPath = choices.outputPath;
  vellumine::AppendSeparator(m_strOutputPath, vellumine::kNativePathStyle);

  SetTotalPercentText(vellumine::PercentText(0, 0));
  vellumine::ConvertEnvironment environment{vellumine::NativeFileSystem()};
  environment.convert = m_fnConvert;
  m_nConverted = vellumine::RunConvertCommand(choices, *this, environment).converted;
}

void CConverterDlg::OnBrowseInput() {
  vellumine::OpenFileRequest request;
  request.owner = m_hWnd;
  if (!vellumine::NativeFileSystem().IsDirectory(m_strInputPath))
    request.initialFile = m_strInputPath;
  request.filter = kInputFilter;
  request.defaultExtension = kInputDefaultExtension;
  request.templateId = IDD_OPEN_EXTENSION;
  std::string chosen;
  if (!vellumine::CurrentPrompts().OpenFile(request, chosen)) return;
  m_strInputPath = chosen;
  m_edInput.SetText(m_strInputPath);
}

void CConverterDlg::OnBrowseOutput() {
  if (!m_strOutputPath.empty() && m_strOutputPath.back() == '\\') m_strOutputPath.pop_back();
  std::string chosen;
  // No owner: the main window stays usable while the browser is open.
  if (vellumine::CurrentPrompts().BrowseForFolder(nullptr, kBrowseOutputTitle, m_strOutputPath,
                                                  chosen)) {
    m_strOutputPath = chosen;
  }
  m_edOutput.SetText(m_strOutputPath);
}

void CConverterDlg::OnFormatText() { EnableWindow(GetDlgItem(IDC_CONVERT_TABLES), FALSE); }

void CConverterDlg::OnFormatRtf() { EnableWindow(GetDlgItem(IDC_CONVERT_TABLES), TRUE); }

void CConverterDlg::OnAbout() {
  CAboutDlg about(this);
  about.DoModal();
}

void CConverterDlg::OnQuit() { ExitProcess(0); }

void CConverterDlg::OnSaveConfiguration() {
  m_strInputPath = m_edInput.GetText();
  m_strOutputPath = m_edOutput.GetText();
  vellumine::Prompts& prompts = vellumine::CurrentPrompts();
  if (!vellumine::WriteSettings(m_strStartDir,
                                {m_strInputPath, m_strOutputPath, m_eReading, m_eImages})) {
    prompts.ShowMessage(m_hWnd,
                        vellumine::SettingsNotSavedMessage(vellumine::SettingsFilePath(m_strStartDir)),
                        vellumine::kErrorCaption, MB_OK);
    return;
  }
  prompts.ShowMessage(m_hWnd,
                      vellumine::SavedSettingsMessage(m_strInputPath, m_strOutputPath, m_eReading,
                                                      m_eImages),
                      vellumine::kThanksCaption, MB_OK);
}

void CConverterDlg::OnSettings() {
  CSettingsDlg settings(this);
  settings.m_bClassicReading = m_eReading == VELLUMINE_READING_CLASSIC;
  settings.m_bEmbedPictures = m_eImages == VELLUMINE_IMAGES_EMBED;
  if (settings.DoModal() != IDOK) return;
  m_strFontName = settings.m_strFont;
  m_strFontSize = settings.m_strSize;
  m_eReading = settings.m_bClassicReading == BST_CHECKED ? VELLUMINE_READING_CLASSIC
                                                         : VELLUMINE_READING_DEFAULT;
  m_eImages = settings.m_bEmbedPictures == BST_CHECKED ? VELLUMINE_IMAGES_EMBED
                                                       : VELLUMINE_IMAGES_ALT;
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
      ShowBox(vellumine::kSelectFileText, true, MB_OK);
      break;
  }
}

void CConverterDlg::BatchStarted(const vellumine::BatchStart& batch) {
  m_bWalk = batch.walk;
  m_nTotal = batch.files;
  SendDlgItemMessageW(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETRANGE32, 0, batch.files);
  if (!m_bWalk) return;
  SetTotalPosition(0);
  SetTotalText(vellumine::CountText(0, batch.files));
}

void CConverterDlg::FileStarted(int32_t, const std::string& relativePath) {
  SetCurrentFileText(relativePath);
}

// The conversion runs inside a button handler without dispatching messages, so every
// change is painted at once.
void CConverterDlg::FileProgress(int step, int total) {
  HWND bar = GetDlgItem(IDC_FILE_PROGRESS);
  HWND percent = GetDlgItem(IDC_FILE_PERCENT);
  if (step == 0) SendMessageW(bar, PBM_SETRANGE32, 0, total);
  SetWindowTextOf(percent, vellumine::PercentText(step, total));
  UpdateWindow(percent);
  SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
  UpdateWindow(bar);
}

void CConverterDlg::FileFinished(const vellumine::FileReport& report) {
  if (std::string message = vellumine::FileMessage(report); !message.empty())
    ShowBox(message, true, MB_OK);
  if (m_bWalk) {
    SetTotalText(vellumine::CountText(report.converted, m_nTotal));
    SetTotalPosition(report.converted);
    SetTotalPercentText(vellumine::PercentText(report.converted, m_nTotal));
  } else if (!report.failed()) {
    SetTotalPosition(1);
    SetTotalPercentText(vellumine::PercentText(1, 1));
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
  SendDlgItemMessageW(m_hWnd, IDC_FILE_PROGRESS, PBM_SETPOS, 0, 0);
  SetCurrentFileText("");
  SetWindowTextOf(GetDlgItem(IDC_FILE_PERCENT), vellumine::PercentText(0, 0));
  SetTotalPercentText(vellumine::PercentText(0, 0));
}

void CConverterDlg::SetTotalPosition(int32_t pos) {
  SendDlgItemMessageW(m_hWnd, IDC_TOTAL_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
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
