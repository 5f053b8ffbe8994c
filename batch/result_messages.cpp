#include "result_messages.h"

namespace vellumine {

std::string DirectoryMissingQuestion(const std::string& directory) {
  return "The directory " + directory + " does not exist\nCreate?";
}

std::string CannotCreateDirectoryMessage(const std::string& directory) {
  return "Can't create " + directory + " directory.";
}

std::string CountText(int32_t converted, int32_t total) {
  return std::to_string(converted) + " of " + std::to_string(total);
}

std::string SummaryText(int32_t converted, int32_t total) {
  return CountText(converted, total) + (converted == 1 ? " file" : " files") +
         " converted successfully.";
}

std::string RunSummaryText(int32_t converted, int32_t total) {
  return CountText(converted, total) + (total == 1 ? " file" : " files") +
         " converted successfully.";
}

std::string CompletedMessage(int32_t converted) {
  return "Conversion completed. " + std::to_string(converted) +
         (converted == 1 ? " file" : " files") + " converted successfully.";
}

std::string OutputTakenMessage(const std::string& outputFile, const std::string& earlierInput,
                               const std::string& laterInput) {
  return "Will not overwrite just-created " + outputFile + " (from " + earlierInput + ") with " +
         laterInput + ".";
}

std::string SkippedText(int32_t skipped) {
  return std::to_string(skipped) + (skipped == 1 ? " file was" : " files were") +
         " up to date and not converted.";
}

std::string PercentText(int32_t converted, int32_t total) {
  if (total <= 0 || converted <= 0) return converted > 0 ? "100" : "0";
  int64_t percent = int64_t{converted} * 100 / total;
  return std::to_string(percent > 100 ? 100 : percent);
}

std::string ResultMessage(vellumine_result result, const std::string& inputFile,
                          const std::string& outputFile) {
  switch (result) {
    case VELLUMINE_OUT_OF_MEMORY:
      return "Not enougth memory";
    case VELLUMINE_CANNOT_OPEN_OUTPUT:
      return "Can't open " + outputFile +
             " file for record.\nProbably it is already used by other application.";
    case VELLUMINE_CANNOT_OPEN_INPUT:
      return "Can't open " + inputFile + " file for reading.";
    case VELLUMINE_EMPTY_INPUT:
      return inputFile + " file has zero length.";
    case VELLUMINE_CANNOT_WRITE_OUTPUT:
      return "Can't write " + outputFile + " file.\nThe disk may be full.";
    case VELLUMINE_OK:
    case VELLUMINE_INVALID_ARGUMENT:
      break;
  }
  return {};
}

}  // namespace vellumine
