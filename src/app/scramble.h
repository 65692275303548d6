#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Password scrambling for the settings files. Not encryption: it keeps a
// password from being read at a glance, no more.
namespace almanix {

// Fixed keys, one per place a password is stored.
inline constexpr std::uint16_t kSmtpPasswordKey = 417;
inline constexpr std::uint16_t kFtpPasswordKey = 583;
inline constexpr std::uint16_t kProxyPasswordKey = 761;
// Both passwords of a favorite's conf.ini (FTP and proxy) share this one.
inline constexpr std::uint16_t kPublishPasswordKey = 829;

// Byte-wise: out[i] = in[i] XOR high byte of the key, then the key becomes
// (key + scrambled byte) * M + A (mod 65536). Unscramble(Scramble(t, k), k)
// gives t back; the result has the length of the input.
std::string Scramble(std::string_view bytes, std::uint16_t key);
std::string Unscramble(std::string_view bytes, std::uint16_t key);

// The form an INI line can carry: empty stays empty, anything else is the
// marker "~x" followed by the scrambled bytes in upper-case hex.
std::string EncodeScrambled(std::string_view text, std::uint16_t key);
// Reads the hex form, and also a value stored as raw scrambled characters
// (as older files hold it). The result is UTF-8 text.
std::string DecodeScrambled(std::string_view stored, std::uint16_t key);

}  // namespace almanix
