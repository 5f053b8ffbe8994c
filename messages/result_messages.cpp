#include "result_messages.h"

namespace vellumine {

std::string CannotCreateDirectoryMessage(const std::string& directory) {
  return "Can't create " + directory + " directory.";
}

std::string OutputTakenMessage(const std::string& outputFile, const std::string& earlierInput,
                               const std::string& laterInput) {
  return "Will not overwrite just-created " + outputFile + " (from " + earlierInput + ") with " +
         laterInput + ".";
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

std::string FileMessage(const FileReport& report) {
  if (!report.refusedFor.empty())
    return OutputTakenMessage(report.outputPath, report.refusedFor, report.inputPath);
  if (report.skipped) return {};
  return ResultMessage(report.result, report.inputPath, report.outputPath);
}

}  // namespace vellumine
