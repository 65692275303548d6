#pragma once

#include <string>
#include <vector>

#include "app/status.h"

namespace almanix::desktop {

inline constexpr int kCustomColours = 16;
inline constexpr char kCustomColoursFile[] = "colordialog.txt";

// The colour dialog's sixteen custom colours, kept in ConfigDir +
// "colordialog.txt" as the Windows dialog kept them: lines "ColorA=" ..
// "ColorP=" with the colour's hexadecimal value in blue-green-red order,
// "FFFFFFFF" for an unused place. Read as "#RRGGBB" texts, empty for an
// unused or unreadable place; a missing file gives sixteen empty places.
std::vector<std::string> ReadCustomColours(const std::string& config_dir);
Status SaveCustomColours(const std::string& config_dir, const std::vector<std::string>& colours);

}  // namespace almanix::desktop
