// What both views, the window and the terminal, say of a command's problems and of each
// file's result: the program's own English texts.
#pragma once

#include <string>

#include "convert_command.h"
#include "vellumine.h"

namespace vellumine {

inline constexpr const char* kFilesNotFoundText =
    "HTML - files not found, please select correct path.";

// "Can't create D:\out\ directory."
std::string CannotCreateDirectoryMessage(const std::string& directory);

// An input refused because an earlier one of the same run just wrote its output:
// "Will not overwrite just-created out/x.txt (from a/x.html) with b/x.html."
std::string OutputTakenMessage(const std::string& outputFile, const std::string& earlierInput,
                               const std::string& laterInput);

// The message for one failed file; empty for Ok and for results that raise no message.
// outputFile is the output file the conversion tried to write (output directory and the
// input's name with the format's extension).
std::string ResultMessage(vellumine_result result, const std::string& inputFile,
                          const std::string& outputFile);

// The message a file's report raises (its result's, or that its output was taken); empty when
// none.
std::string FileMessage(const FileReport& report);

}  // namespace vellumine
