#include "desktop/custom_colours.h"

#include <cstdio>

#include "app/file_util.h"
#include "app/text.h"

namespace almanix::desktop {

namespace {

std::string PlaceName(int i) { return std::string("Color") + static_cast<char>('A' + i); }

bool ParseHex(std::string_view text, unsigned long* value) {
  if (text.empty() || text.size() > 8) return false;
  unsigned long v = 0;
  for (char c : text) {
    int d = c >= '0' && c <= '9'   ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned long>(d);
  }
  *value = v;
  return true;
}

}  // namespace

std::vector<std::string> ReadCustomColours(const std::string& config_dir) {
  std::vector<std::string> colours(kCustomColours);
  Result<std::string> text = ReadFileBytes(config_dir + kCustomColoursFile);
  if (!text.ok()) return colours;
  for (const std::string& line : SplitLines(text.value())) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string name = Trim(line.substr(0, eq));
    unsigned long bgr = 0;
    if (!ParseHex(Trim(line.substr(eq + 1)), &bgr) || bgr > 0xFFFFFF) continue;
    for (int i = 0; i < kCustomColours; ++i) {
      if (!EqualsIgnoreCase(name, PlaceName(i))) continue;
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "#%02lX%02lX%02lX", bgr & 0xFF, (bgr >> 8) & 0xFF,
                    (bgr >> 16) & 0xFF);
      colours[static_cast<size_t>(i)] = buffer;
    }
  }
  return colours;
}

Status SaveCustomColours(const std::string& config_dir, const std::vector<std::string>& colours) {
  std::string text;
  for (int i = 0; i < kCustomColours; ++i) {
    const std::string colour =
        static_cast<size_t>(i) < colours.size() ? colours[static_cast<size_t>(i)] : "";
    unsigned long rgb = 0;
    std::string value = "FFFFFFFF";
    if (colour.size() == 7 && colour[0] == '#' && ParseHex(colour.substr(1), &rgb)) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "%02lX%02lX%02lX", rgb & 0xFF, (rgb >> 8) & 0xFF,
                    (rgb >> 16) & 0xFF);
      value = buffer;
    }
    text += PlaceName(i) + "=" + value + "\r\n";
  }
  return WriteFileAtomically(config_dir + kCustomColoursFile, text);
}

}  // namespace almanix::desktop
