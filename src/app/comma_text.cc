#include "app/comma_text.h"

namespace almanix {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

bool NeedsQuotes(std::string_view item) {
  for (const char c : item) {
    if (IsBlank(c) || c == '"' || c == ',') return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> items;
  std::size_t pos = SkipBlanks(text, 0);
  while (pos < text.size()) {
    std::string item;
    if (text[pos] == '"') {
      // A missing closing quote takes the rest of the text.
      ++pos;
      while (pos < text.size()) {
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            item.push_back('"');
            pos += 2;
          } else {
            ++pos;
            break;
          }
        } else {
          item.push_back(text[pos++]);
        }
      }
    } else {
      const std::size_t comma = text.find(',', pos);
      const std::size_t end =
          comma == std::string_view::npos ? text.size() : comma;
      std::size_t last = end;
      while (last > pos && IsBlank(text[last - 1])) --last;
      item.assign(text.substr(pos, last - pos));
      pos = end;
    }
    items.push_back(std::move(item));
    // Text after a closing quote that is not a comma begins the next item.
    pos = SkipBlanks(text, pos);
    if (pos < text.size() && text[pos] == ',') {
      pos = SkipBlanks(text, pos + 1);
      if (pos == text.size()) items.emplace_back();
    }
  }
  return items;
}

std::string JoinCommaText(const std::vector<std::string>& items) {
  // A lone empty item would otherwise vanish: "" reads as no items.
  if (items.size() == 1 && items.front().empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& item = items[i];
    if (!NeedsQuotes(item)) {
      out += item;
      continue;
    }
    out.push_back('"');
    for (const char c : item) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

}  // namespace almanix
