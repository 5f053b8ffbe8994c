// "settings.ini": the two remembered paths.
#pragma once

#include <string>

namespace vellumine {

inline constexpr const char* kSettingsFileName = "settings.ini";
inline constexpr const char* kSettingsMarker = "[Default path]";

// Reads "settings.ini" from the current directory. False (paths untouched or empty) when
// the file is missing, has no marker line, or ends before both paths.
bool ReadSettings(std::string& inputPath, std::string& outputPath);

// The same from the file at fileName. Lines are read whole, whatever their length; every
// line containing the marker makes the next two lines the paths, so a later marker wins.
bool ReadSettingsFile(const std::string& fileName, std::string& inputPath,
                      std::string& outputPath);

// The path of "settings.ini" in directory (a separator added unless it ends in one).
std::string SettingsFilePath(const std::string& directory);

// Writes the marker and both paths to SettingsFilePath(directory). False when the file
// cannot be created or written completely.
bool WriteSettings(const std::string& directory, const std::string& inputPath,
                   const std::string& outputPath);

}  // namespace vellumine
