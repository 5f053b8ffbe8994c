// Every text the main window shows of a conversion: its boxes' captions and messages, and
// the labels of the total count and of both percents. (The messages it shares with the
// terminal are in result_messages.h.)
#pragma once

#include <cstdint>
#include <string>

#include "vellumine.h"

namespace vellumine {

inline constexpr const char* kErrorCaption = "Error!";
inline constexpr const char* kThanksCaption = "Thank you for using Vellumine!";

// The box shown when one file is to be converted and a directory was given.
inline constexpr const char* kSelectFileText =
    "Please select file, or if you have chosen a directory, please, set the switch "
    "\"Convert all\".";

// "The directory D:\out\ does not exist\nCreate?"
std::string DirectoryMissingQuestion(const std::string& directory);

// The running count of a walk: "2 of 3".
std::string CountText(int32_t converted, int32_t total);
// The total label after a batch with at least one converted file, its noun agreeing with
// the converted count: "2 of 3 files converted successfully.", "1 of 1 file converted
// successfully."
std::string SummaryText(int32_t converted, int32_t total);
// The success box: "Conversion completed. 2 files converted successfully."
std::string CompletedMessage(int32_t converted);
// A percent label: the number alone, "37".
std::string PercentText(int64_t part, int64_t whole);

// The box after File > Save configuration: both paths, the reading and the pictures when they
// are not the default ones, and "Saved successfully."; the error when the file could not be
// written.
std::string SavedSettingsMessage(const std::string& inputPath, const std::string& outputPath,
                                 vellumine_reading reading, vellumine_images images);
std::string SettingsNotSavedMessage(const std::string& settingsFile);

}  // namespace vellumine
