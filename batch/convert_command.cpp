#include "convert_command.h"

#include "convert_choices.h"
#include "count_html_files.h"
#include "directory_path.h"
#include "html_file_name.h"
#include "output_path.h"
#include "result_messages.h"
#include "settings_file.h"

namespace vellumine {

namespace {

// One command's state: what it was given and what it has done so far.
class ConvertCommand {
 public:
  ConvertCommand(const ConvertChoices& choices, ConvertView& view, ConvertEnvironment& env)
      : choices_(choices), view_(view), env_(env) {}

  ConvertOutcome Run(std::string* updatedOutputPath);

 private:
  bool MakeSureOutputDirectoryExists();
  void ConvertSingleFile();
  void WalkDirectory();
  // Converts one file and shows its error box when it fails; true when it converted.
  bool ConvertOne(const std::string& inputFile);
  // Both bars to 0, the current-file label empty, both percent labels "0".
  void ResetDisplay();

  const ConvertChoices& choices_;
  ConvertView& view_;
  ConvertEnvironment& env_;

  // Fixed when the command starts.
  ConvertOptions options_;
  std::string outputDirectory_;  // the output path with its separator

  ConvertOutcome outcome_;
};

ConvertOutcome ConvertCommand::Run(std::string* updatedOutputPath) {
  options_.fontName = choices_.fontName.c_str();
  options_.fontSizeText = choices_.fontSize.c_str();
  options_.encodingLabel = ChooseEncodingLabel(choices_.encodingIndex);
  options_.mode = ChooseConversionMode(choices_.format, choices_.convertTables);
  view_.SetTotalPercentText("0");

  // The paths are saved as typed, whatever happens next.
  if (env_.saveSettings) {
    WriteSettings(env_.settingsDirectory, choices_.inputPath, choices_.outputPath);
  }

  outputDirectory_ = choices_.outputPath;
  AppendSeparator(outputDirectory_, env_.style);
  if (updatedOutputPath != nullptr) *updatedOutputPath = outputDirectory_;

  if (!MakeSureOutputDirectoryExists()) {
    outcome_.stopped = true;
    outcome_.noOutputDirectory = true;
    return outcome_;
  }
  if (choices_.convertAll) {
    WalkDirectory();
  } else {
    ConvertSingleFile();
  }
  return outcome_;
}

bool ConvertCommand::MakeSureOutputDirectoryExists() {
  if (env_.files.Exists(outputDirectory_)) return true;
  MessageAnswer answer = view_.ShowMessage(DirectoryMissingQuestion(outputDirectory_),
                                           kErrorCaption, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return false;
  if (env_.files.MakeDirectory(outputDirectory_)) return true;
  view_.ShowMessage(CannotCreateDirectoryMessage(outputDirectory_), kErrorCaption,
                    MessageButtons::Ok);
  return false;
}

bool ConvertCommand::ConvertOne(const std::string& inputFile) {
  ProgressSink& sink = view_.CurrentFileProgress();
  ConvertResult result =
      env_.convert ? env_.convert(inputFile.c_str(), outputDirectory_.c_str(), options_, sink)
                   : ConvertFile(inputFile.c_str(), outputDirectory_.c_str(), options_, sink,
                                 env_.style);
  if (result == ConvertResult::Ok) {
    ++outcome_.converted;
    return true;
  }
  ++outcome_.failed;
  std::string outputFile;
  MakeOutputPath(inputFile, outputDirectory_, options_.mode, env_.style, outputFile);
  std::string message = ResultMessage(result, inputFile, outputFile);
  if (!message.empty()) view_.ShowMessage(message, kErrorCaption, MessageButtons::Ok);
  return false;
}

void ConvertCommand::ConvertSingleFile() {
  const std::string& inputFile = choices_.inputPath;
  if (env_.files.IsDirectory(inputFile)) {
    view_.ShowMessage(kSelectFileMessage, kErrorCaption, MessageButtons::Ok);
    outcome_.stopped = true;
    return;
  }
  view_.SetTotalRange(1);
  view_.SetCurrentFileText(inputFile);
  if (ConvertOne(inputFile)) {
    view_.SetTotalPosition(1);
    view_.SetTotalPercentText("100");
  }
  // A failed file leaves the display as the attempt left it.
  if (outcome_.converted == 0) return;

  view_.SetTotalText(SummaryText(1, 1));
  view_.ShowMessage(CompletedMessage(1), kThanksCaption, MessageButtons::Ok);
  view_.SetTotalText("");
  ResetDisplay();
}

void ConvertCommand::WalkDirectory() {
  // A file path selects the file's own directory.
  std::string directory = choices_.inputPath;
  if (env_.files.IsDirectory(directory)) {
    AppendSeparator(directory, env_.style);
  } else {
    directory = CutToDirectory(directory, env_.style);
  }
  // "*.*" is every entry on both platforms; subdirectories are never entered.
  const std::string pattern = directory + "*.*";
  const int32_t total = CountHtmlFiles(env_.files, pattern);
  int32_t& converted = outcome_.converted;

  view_.SetTotalRange(total);
  view_.SetTotalPosition(0);
  view_.SetTotalText(CountText(converted, total));

  std::vector<std::string> names;
  if (!env_.files.ListDirectory(pattern, names)) {
    view_.SetTotalText(kFilesNotFoundText);
    outcome_.filesNotFound = true;
  } else {
    for (const std::string& name : names) {
      if (!IsHtmlFileName(name)) continue;
      view_.SetCurrentFileText(name);
      ConvertOne(directory + name);
      view_.SetTotalText(CountText(converted, total));
      view_.SetTotalPosition(converted);
      view_.SetTotalPercentText(PercentText(converted, total));
    }
  }

  if (converted != 0) {
    view_.SetTotalText(SummaryText(converted, total));
    view_.SetTotalPosition(total);
    view_.ShowMessage(CompletedMessage(converted), kThanksCaption, MessageButtons::Ok);
    view_.SetTotalText("");
  }
  ResetDisplay();
}

void ConvertCommand::ResetDisplay() {
  ProgressSink& sink = view_.CurrentFileProgress();
  view_.SetTotalPosition(0);
  sink.SetPosition(0);
  view_.SetCurrentFileText("");
  sink.SetPercentText("0");
  view_.SetTotalPercentText("0");
}

}  // namespace

ConvertOutcome RunConvertCommand(const ConvertChoices& choices, ConvertView& view,
                                 ConvertEnvironment& env, std::string* updatedOutputPath) {
  return ConvertCommand(choices, view, env).Run(updatedOutputPath);
}

}  // namespace vellumine
