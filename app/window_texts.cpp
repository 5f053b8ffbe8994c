#include "window_texts.h"

#include "percent.h"

namespace vellumine {

std::string DirectoryMissingQuestion(const std::string& directory) {
  return "The directory " + directory + " does not exist\nCreate?";
}

std::string CountText(int32_t converted, int32_t total) {
  return std::to_string(converted) + " of " + std::to_string(total);
}

std::string SummaryText(int32_t converted, int32_t total) {
  return CountText(converted, total) + (converted == 1 ? " file" : " files") +
         " converted successfully.";
}

std::string CompletedMessage(int32_t converted) {
  return "Conversion completed. " + std::to_string(converted) +
         (converted == 1 ? " file" : " files") + " converted successfully.";
}

std::string PercentText(int64_t part, int64_t whole) {
  return std::to_string(Percent(part, whole));
}

std::string SavedSettingsMessage(const std::string& inputPath, const std::string& outputPath,
                                 vellumine_reading reading, vellumine_images images) {
  std::string text =
      "Input path: \"" + inputPath + "\".\nOutput path: \"" + outputPath + "\".\n";
  if (reading == VELLUMINE_READING_CLASSIC) text += "Classic reading (the output of version 1.2).\n";
  if (images == VELLUMINE_IMAGES_ALT) text += "Pictures not embedded (their alternative text).\n";
  return text + "\nSaved successfully.";
}

std::string SettingsNotSavedMessage(const std::string& settingsFile) {
  return "Can't write " + settingsFile + " file.";
}

}  // namespace vellumine
