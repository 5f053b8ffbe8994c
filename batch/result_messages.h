// Every text the Convert command shows: message boxes, captions and the total label.
#pragma once

#include <cstdint>
#include <string>

#include "vellumine.h"

namespace vellumine {

inline constexpr const char* kErrorCaption = "Error!";
inline constexpr const char* kThanksCaption = "Thank you for using Vellumine!";

inline constexpr const char* kFilesNotFoundText =
    "HTML - files not found, please select correct path.";

// "The directory D:\out\ does not exist\nCreate?"
std::string DirectoryMissingQuestion(const std::string& directory);
// "Can't create D:\out\ directory."
std::string CannotCreateDirectoryMessage(const std::string& directory);

// The running count of a walk: "2 of 3".
std::string CountText(int32_t converted, int32_t total);
// The total label after a batch with at least one converted file:
// "2 of 3 files converted successfully.", "1 of 1 file converted successfully."
std::string SummaryText(int32_t converted, int32_t total);
// The command line's last line, over all its inputs, its noun agreeing with the total:
// "1 of 2 files converted successfully.", "1 of 1 file converted successfully."
std::string RunSummaryText(int32_t converted, int32_t total);
// The success box: "Conversion completed. 2 files converted successfully."
std::string CompletedMessage(int32_t converted);
// The total percent label: converted * 100 / total, truncated; "0" for an empty total
// and at most "100" (the directory may have changed since it was counted).
std::string PercentText(int32_t converted, int32_t total);

// An input refused because an earlier one of the same run just wrote its output:
// "Will not overwrite just-created out/x.txt (from a/x.html) with b/x.html."
std::string OutputTakenMessage(const std::string& outputFile, const std::string& earlierInput,
                               const std::string& laterInput);

// The command line's note on files left alone: "3 files were up to date and not converted."
std::string SkippedText(int32_t skipped);

// The error box for one failed file; empty for Ok and for results that raise no message.
// outputFile is the output file the conversion tried to write (output directory and the
// input's name with the format's extension).
std::string ResultMessage(vellumine_result result, const std::string& inputFile,
                          const std::string& outputFile);

}  // namespace vellumine
