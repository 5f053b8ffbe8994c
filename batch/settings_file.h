// "settings.ini": the two remembered paths, and the reading and the pictures when they are not
// the default ones.
#pragma once

#include <string>

#include "vellumine.h"

namespace vellumine {

inline constexpr const char* kSettingsFileName = "settings.ini";
inline constexpr const char* kSettingsMarker = "[Default path]";
// The line after the two paths that names a reading other than the default one, by the
// engine's name: "Reading=classic". Versions before the reading existed look only for the
// marker and the two lines after it, and pass over this one; without it a file means the
// default reading.
inline constexpr const char* kSettingsReadingKey = "Reading";
// The same for pictures that keep their alt text: "Images=alt" (versions before it pass over
// it too, and embed nothing).
inline constexpr const char* kSettingsImagesKey = "Images";

// What "settings.ini" remembers.
struct Settings {
  std::string inputPath{};
  std::string outputPath{};
  vellumine_reading reading = VELLUMINE_READING_DEFAULT;
  vellumine_images images = VELLUMINE_IMAGES_EMBED;
};

// Reads "settings.ini" from the current directory. False (settings untouched) when the file
// is missing, has no marker line, or ends before both paths.
bool ReadSettings(Settings& settings);

// The same from the file at fileName. Lines are read whole, whatever their length; every
// line containing the marker makes the next two lines the paths and starts over at the
// default reading and pictures, so a later marker wins. After the paths a line
// "Reading=classic" (letter case and blanks around the words aside) asks for the classic
// reading, and "Images=alt" for pictures' alt text; any other value named there is the
// default.
bool ReadSettingsFile(const std::string& fileName, Settings& settings);

// The path of "settings.ini" in directory (a separator added unless it ends in one).
std::string SettingsFilePath(const std::string& directory);

// Writes the marker and both paths to SettingsFilePath(directory), the reading's line when it
// is the classic one and the pictures' when they keep their alt text: with the defaults the
// file is the three lines it has always been. False when the file cannot be created or written completely.
bool WriteSettings(const std::string& directory, const Settings& settings);

}  // namespace vellumine
