#include "app/scramble.h"

#include "app/encoding.h"

namespace almanix {
namespace {

constexpr std::uint16_t kMultiplier = 40503;
constexpr std::uint16_t kAddend = 13849;
constexpr std::string_view kMarker = "~x";

std::uint16_t NextKey(std::uint16_t key, unsigned char scrambled) {
  return static_cast<std::uint16_t>((key + scrambled) * kMultiplier + kAddend);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string AsText(const std::string& bytes) {
  return IsValidUtf8(bytes) ? bytes : Cp1252ToUtf8(bytes);
}

}  // namespace

std::string Scramble(std::string_view bytes, std::uint16_t key) {
  std::string out(bytes.size(), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto c = static_cast<unsigned char>(static_cast<unsigned char>(bytes[i]) ^
                                        (key >> 8));
    out[i] = static_cast<char>(c);
    key = NextKey(key, c);
  }
  return out;
}

std::string Unscramble(std::string_view bytes, std::uint16_t key) {
  std::string out(bytes.size(), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto c = static_cast<unsigned char>(bytes[i]);
    out[i] = static_cast<char>(c ^ (key >> 8));
    key = NextKey(key, c);
  }
  return out;
}

std::string EncodeScrambled(std::string_view text, std::uint16_t key) {
  if (text.empty()) return "";
  static const char* kHex = "0123456789ABCDEF";
  std::string out(kMarker);
  for (unsigned char c : Scramble(text, key)) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::string DecodeScrambled(std::string_view stored, std::uint16_t key) {
  if (stored.empty()) return "";
  if (stored.substr(0, kMarker.size()) == kMarker &&
      (stored.size() - kMarker.size()) % 2 == 0) {
    std::string bytes;
    bool hex = true;
    for (size_t i = kMarker.size(); i + 1 < stored.size() + 1 && i < stored.size();
         i += 2) {
      int hi = HexValue(stored[i]), lo = HexValue(stored[i + 1]);
      if (hi < 0 || lo < 0) {
        hex = false;
        break;
      }
      bytes += static_cast<char>(hi * 16 + lo);
    }
    if (hex) return AsText(Unscramble(bytes, key));
  }
  // Older files hold the scrambled characters themselves, one byte each in
  // the Windows character set; the reader has turned them into UTF-8.
  std::string raw = Utf8ToCp1252(stored).value_or(std::string(stored));
  return AsText(Unscramble(raw, key));
}

}  // namespace almanix
