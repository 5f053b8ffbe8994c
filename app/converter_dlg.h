// CConverterDlg: the main window (template 102, menu 129). It takes files and folders
// dropped on it as its input.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "convert_command.h"
#include "framework/command_map.h"
#include "framework/dialog.h"
#include "framework/static_control.h"
#include "hyper_link.h"

class CConverterDlg : public CDialog, public vellumine::ConvertView {
 public:
  explicit CConverterDlg(CWnd* parent = nullptr);

  // The Open dialog's filter and default extension for input files.
  static constexpr const char* kInputFilter =
      "*.asp; *.htm; *.html; *.shtml; *.phtml|*.asp*; *.htm; *.html; *.shtml; *.phtml|"
      "All Files (*.*)|*.*||";
  static constexpr const char* kInputDefaultExtension = "*.htm";
  static constexpr const char* kBrowseOutputTitle = "Please, select output directory:";

  std::string m_strFontSize;   // font size handed to the converter
  std::string m_strFontName;   // font face handed to the converter, in UTF-8
  vellumine_reading m_eReading;  // the reading handed to the converter (settings dialog);
                                 // remembered in "settings.ini" with the paths
  vellumine_images m_eImages;    // the same for pictures: embedded, or their alt text
  CHyperLink m_linkSecond;     // the second link label
  CStatic m_stCurrentFile;     // current-file label
  CStatic m_stTotalPercent;    // total percent label
  CEdit m_edOutput;            // Output path box
  CEdit m_edInput;             // Input path box
  CStatic m_stTotalFiles;      // total label
  int m_nFormat;               // checked format radio: 0 "*.rtf", 1 "*.txt", -1 none
  int m_bConvertTables;        // "convert tables"
  int m_bConvertAll;           // "Convert all files in this directory"
  CHyperLink m_linkFirst;      // the first link label
  int32_t m_nTotal;            // the total bar's range of the last Convert
  bool m_bWalk;                // the last Convert walks a directory
  HICON m_hIcon;               // icon 128, shared with the system
  int32_t m_nConverted;        // files converted by the last Convert
  // Paths in UTF-8, of any length.
  std::string m_strInputPath;   // the remembered input path
  std::string m_strOutputPath;  // the remembered output path
  std::string m_strStartDir;    // the current directory at start-up: "settings.ini" is here
  vellumine::ConvertFunction m_fnConvert;  // what Convert calls per file; empty: the library

  BOOL OnInitDialog() override;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  bool OnCommand(UINT id, UINT code) override;
  // WM_SYSCOMMAND -> OnSysCommand, WM_PAINT -> OnPaint, WM_QUERYDRAGICON ->
  // OnQueryDragIcon, WM_HELP (F1) -> OnHelpContents, WM_DROPFILES -> OnDropFiles.
  INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  //   bool OnSysCommand(UINT id): true when handled
  bool OnSysCommand(UINT id);
  //   bool OnPaint(): true when the minimized window's icon was painted
  bool OnPaint();
  //   HICON OnQueryDragIcon()
  HICON OnQueryDragIcon();
  // Files dropped on the window: the first item becomes the input, as Browse makes it; a
  // folder checks "Convert all files in this directory", a file clears it. Nothing is
  // converted. The drop is finished (its memory freed) here.
  //   void OnDropFiles(HDROP drop)
  void OnDropFiles(HDROP drop);

  void OnConvert();
  void OnBrowseInput();
  void OnBrowseOutput();
  void OnFormatText();
  void OnFormatRtf();
  void OnAbout();
  void OnQuit();
  void OnSaveConfiguration();
  void OnSettings();
  void OnUpdate();
  void OnHelpContents();

 private:
  static const CommandEntry<CConverterDlg> kCommands[];

  // What the Convert command reports, on this window's bars, labels and boxes.
  bool ConfirmCreateDirectory(const std::string& directory) override;
  void CommandStopped(vellumine::CommandProblem problem, const std::string& path) override;
  void BatchStarted(const vellumine::BatchStart& batch) override;
  void FileStarted(int32_t number, const std::string& relativePath) override;
  void FileProgress(int step, int total) override;
  void FileFinished(const vellumine::FileReport& report) override;
  void BatchFinished(const vellumine::ConvertOutcome& outcome) override;

  // A modal box owned by the window: "Error!" or the thanks caption; the button pressed.
  int ShowBox(const std::string& text, bool error, UINT type);
  void SetTotalPosition(int32_t pos);
  void SetCurrentFileText(const std::string& text);
  void SetTotalText(const std::string& text);
  void SetTotalPercentText(const std::string& text);
  // Both bars to 0, the current-file label empty, both percent labels "0".
  void ResetDisplay();
};
