#include "store/zip_format.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace almanix::store::zip {
namespace {

constexpr std::uint16_t kMadeBy = kSystemUnix << 8 | 63;
constexpr std::uint16_t kNeeded = 20;
constexpr std::uint16_t kNeededZip64 = 45;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kUnicodePathExtra = 0x7075;

// Code page 437, the names' encoding when the UTF-8 flag is not set, from
// 0x80 up; the lower half is ASCII.
constexpr std::uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

const unsigned char* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

void Put16(std::uint16_t value, std::string* out) {
  out->push_back(static_cast<char>(value & 0xff));
  out->push_back(static_cast<char>(value >> 8));
}
void Put32(std::uint32_t value, std::string* out) {
  Put16(static_cast<std::uint16_t>(value & 0xffff), out);
  Put16(static_cast<std::uint16_t>(value >> 16), out);
}
void Put64(std::uint64_t value, std::string* out) {
  Put32(static_cast<std::uint32_t>(value & kMax32), out);
  Put32(static_cast<std::uint32_t>(value >> 32), out);
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsUtf8(std::string_view text) {
  const unsigned char* p = Bytes(text);
  const unsigned char* end = p + text.size();
  while (p < end) {
    unsigned char c = *p;
    size_t more;
    std::uint32_t code;
    if (c < 0x80) {
      ++p;
      continue;
    } else if (c >= 0xc2 && c <= 0xdf) {
      more = 1;
      code = c & 0x1f;
    } else if (c >= 0xe0 && c <= 0xef) {
      more = 2;
      code = c & 0x0f;
    } else if (c >= 0xf0 && c <= 0xf4) {
      more = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (static_cast<size_t>(end - p) <= more) return false;
    for (size_t i = 1; i <= more; ++i) {
      if ((p[i] & 0xc0) != 0x80) return false;
      code = code << 6 | (p[i] & 0x3f);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((more == 2 && code < 0x800) || (more == 3 && code < 0x10000) ||
        (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) {
      return false;
    }
    p += more + 1;
  }
  return true;
}

void AppendUtf8(std::uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xc0 | code >> 6));
    out->push_back(static_cast<char>(0x80 | (code & 0x3f)));
  } else {
    out->push_back(static_cast<char>(0xe0 | code >> 12));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3f)));
  }
}

// The extra field with `id`, or nothing.
std::optional<std::string_view> FindExtra(std::string_view extra,
                                          std::uint16_t id) {
  for (size_t at = 0; at + 4 <= extra.size();) {
    std::uint16_t field = Le16(Bytes(extra) + at);
    size_t size = Le16(Bytes(extra) + at + 2);
    if (at + 4 + size > extra.size()) return std::nullopt;
    if (field == id) return extra.substr(at + 4, size);
    at += 4 + size;
  }
  return std::nullopt;
}

// Takes the next 64-bit ZIP64 value for each field that holds all ones, in
// the order the format gives; false when the field runs out first.
bool ReadZip64Values(std::string_view field, std::uint64_t* const* values,
                     size_t count) {
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    if (*values[i] != kMax32) continue;
    if (at + 8 > field.size()) return false;
    *values[i] = Le64(Bytes(field) + at);
    at += 8;
  }
  return true;
}

std::string NameAsUtf8(std::string_view raw, std::uint16_t flags,
                       std::string_view extra) {
  // Info-ZIP's Unicode path field counts only while it matches the name
  // it was made for.
  if (auto unicode = FindExtra(extra, kUnicodePathExtra);
      unicode && unicode->size() > 5 && Bytes(*unicode)[0] == 1) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, Bytes(raw), static_cast<uInt>(raw.size())));
    std::string_view name = unicode->substr(5);
    if (crc == Le32(Bytes(*unicode) + 1) && IsUtf8(name) &&
        name.find('\0') == std::string_view::npos) {
      return std::string(name);
    }
  }
  if ((flags & kFlagUtf8) || IsAscii(raw) || IsUtf8(raw)) {
    return std::string(raw);
  }
  std::string out;
  out.reserve(raw.size() * 2);
  for (unsigned char c : raw) {
    AppendUtf8(c < 0x80 ? c : kCp437High[c - 0x80], &out);
  }
  return out;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month,
                           std::int64_t day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year =
      (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

}  // namespace

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(Le16(p)) |
         static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}
std::uint64_t Le64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Le32(p)) |
         static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

// ------------------------------------------------------------------ times

DosClock::DosClock() {
  // Once here; localtime_r does not read the zone file again.
  ::tzset();
}

void DosClock::ToDos(time_t when, std::uint16_t* time,
                     std::uint16_t* date) const {
  struct tm local {};
  if (::localtime_r(&when, &local) == nullptr) local.tm_year = 80;
  if (local.tm_year < 80) local.tm_year = 80;
  if (local.tm_year > 207) {
    local = {};
    local.tm_year = 207;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 58;
  }
  *time = static_cast<std::uint16_t>(local.tm_hour << 11 | local.tm_min << 5 |
                                     local.tm_sec / 2);
  *date = static_cast<std::uint16_t>((local.tm_year - 80) << 9 |
                                     (local.tm_mon + 1) << 5 | local.tm_mday);
}

time_t DosClock::FromDos(std::uint16_t time, std::uint16_t date) const {
  // Fields out of range (month 0, second 62) run on into the next unit,
  // as mktime would have it.
  std::int64_t year = 1980 + (date >> 9);
  std::int64_t month0 = ((date >> 5) & 15) - 1;
  year += month0 < 0 ? -1 : month0 / 12;
  month0 = (month0 % 12 + 12) % 12;
  std::int64_t days = DaysFromCivil(year, month0 + 1, 1) + (date & 31) - 1;
  const std::int64_t wall = days * 86400 + (time >> 11) * 3600 +
                            ((time >> 5) & 63) * 60 + (time & 31) * 2;
  // The offset at the wall time read as UTC, then at the moment that gives;
  // two rounds settle every zone change but the hour that does not exist.
  time_t guess = static_cast<time_t>(wall);
  for (int round = 0; round < 2; ++round) {
    struct tm local {};
    if (::localtime_r(&guess, &local) == nullptr) break;
    guess = static_cast<time_t>(wall - local.tm_gmtoff);
  }
  return guess;
}

// ------------------------------------------------------------ reading

EndProblem FindEnd(std::string_view tail, std::uint64_t tail_at,
                   std::uint64_t file_size, EndRecord* end,
                   std::uint64_t* zip64_at) {
  *zip64_at = kNoZip64;
  if (tail.size() < kEndSize) return EndProblem::kNotZip;
  const unsigned char* bytes = Bytes(tail);
  bool seen = false;
  for (size_t at = tail.size() - kEndSize + 1; at-- > 0;) {
    if (Le32(bytes + at) != kEndSignature) continue;
    seen = true;
    // The comment must reach the end exactly: a signature inside a comment
    // or data does not.
    std::uint64_t comment = Le16(bytes + at + 20);
    if (tail_at + at + kEndSize + comment != file_size) continue;
    std::uint16_t disk = Le16(bytes + at + 4);
    std::uint16_t directory_disk = Le16(bytes + at + 6);
    std::uint16_t on_disk = Le16(bytes + at + 8);
    end->count = Le16(bytes + at + 10);
    end->directory_size = Le32(bytes + at + 12);
    end->directory_at = Le32(bytes + at + 16);
    end->directory_end = tail_at + at;
    end->zip64 = false;
    if (at >= kLocatorSize &&
        Le32(bytes + at - kLocatorSize) == kLocatorSignature) {
      const unsigned char* locator = bytes + at - kLocatorSize;
      std::uint64_t record = Le64(locator + 8);
      // One disk only; the record lies before its locator.
      const std::uint64_t locator_at = tail_at + at - kLocatorSize;
      if (Le32(locator + 4) != 0 || Le32(locator + 16) > 1 ||
          locator_at < kEnd64Size || record > locator_at - kEnd64Size) {
        return EndProblem::kDamaged;
      }
      *zip64_at = record;
      return EndProblem::kNone;
    }
    // Archives split over several disks are not read.
    if (disk != 0 || directory_disk != 0 || on_disk != end->count) {
      return EndProblem::kDamaged;
    }
    return EndProblem::kNone;
  }
  return seen ? EndProblem::kDamaged : EndProblem::kNotZip;
}

bool ReadEnd64(std::string_view record, std::uint64_t record_at,
               EndRecord* end) {
  if (record.size() < kEnd64Size) return false;
  const unsigned char* bytes = Bytes(record);
  if (Le32(bytes) != kEnd64Signature || Le64(bytes + 4) < kEnd64Size - 12 ||
      Le32(bytes + 16) != 0 || Le32(bytes + 20) != 0 ||
      Le64(bytes + 24) != Le64(bytes + 32)) {
    return false;
  }
  end->count = Le64(bytes + 32);
  end->directory_size = Le64(bytes + 40);
  end->directory_at = Le64(bytes + 48);
  end->directory_end = record_at;
  end->zip64 = true;
  return true;
}

bool ParseDirectory(std::string_view directory, std::uint64_t count,
                    std::vector<CentralEntry>* entries) {
  // The count is checked against the bytes before anything is reserved.
  if (count > directory.size() / kCentralSize) return false;
  entries->clear();
  entries->reserve(static_cast<size_t>(count));
  const unsigned char* bytes = Bytes(directory);
  size_t at = 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (directory.size() - at < kCentralSize ||
        Le32(bytes + at) != kCentralSignature) {
      return false;
    }
    const unsigned char* h = bytes + at;
    size_t name_length = Le16(h + 28);
    size_t extra_length = Le16(h + 30);
    size_t comment_length = Le16(h + 32);
    size_t length = kCentralSize + name_length + extra_length + comment_length;
    if (directory.size() - at < length) return false;
    CentralEntry e;
    e.made_by = Le16(h + 4);
    e.flags = Le16(h + 8);
    e.method = Le16(h + 10);
    e.time = Le16(h + 12);
    e.date = Le16(h + 14);
    e.crc = Le32(h + 16);
    e.comp_size = Le32(h + 20);
    e.size = Le32(h + 24);
    e.external = Le32(h + 38);
    e.header_at = Le32(h + 42);
    e.raw_name.assign(directory.substr(at + kCentralSize, name_length));
    std::string_view extra =
        directory.substr(at + kCentralSize + name_length, extra_length);
    if (e.size == kMax32 || e.comp_size == kMax32 || e.header_at == kMax32) {
      std::optional<std::string_view> field = FindExtra(extra, kZip64Extra);
      std::uint64_t* values[] = {&e.size, &e.comp_size, &e.header_at};
      e.zip64_missing = !field || !ReadZip64Values(*field, values, 3);
    }
    e.name = NameAsUtf8(e.raw_name, e.flags, extra);
    // A NUL would cut the name short wherever it is shown; the raw name
    // keeps it for the checks.
    std::replace(e.name.begin(), e.name.end(), '\0', ' ');
    entries->push_back(std::move(e));
    at += length;
  }
  return at == directory.size();
}

std::optional<LocalHeader> ParseLocal(std::string_view bytes) {
  if (bytes.size() < kLocalSize) return std::nullopt;
  const unsigned char* h = Bytes(bytes);
  if (Le32(h) != kLocalSignature) return std::nullopt;
  LocalHeader local;
  local.flags = Le16(h + 6);
  local.method = Le16(h + 8);
  local.crc = Le32(h + 14);
  local.comp_size = Le32(h + 18);
  local.size = Le32(h + 22);
  size_t name_length = Le16(h + 26);
  size_t extra_length = Le16(h + 28);
  local.length = kLocalSize + name_length + extra_length;
  if (bytes.size() < local.length) return std::nullopt;
  local.name = bytes.substr(kLocalSize, name_length);
  if (local.size == kMax32 || local.comp_size == kMax32) {
    std::optional<std::string_view> field = FindExtra(
        bytes.substr(kLocalSize + name_length, extra_length), kZip64Extra);
    std::uint64_t* values[] = {&local.size, &local.comp_size};
    // Without its field the all-ones values stay, and will not match.
    if (field) ReadZip64Values(*field, values, 2);
  }
  return local;
}

bool LocalMatches(const LocalHeader& local, const CentralEntry& central) {
  if (local.name != central.raw_name || local.method != central.method) {
    return false;
  }
  if (local.flags & kFlagDescriptor) return true;  // the values come after
  return local.crc == central.crc && local.comp_size == central.comp_size &&
         local.size == central.size;
}

std::optional<size_t> DescriptorLength(std::string_view bytes,
                                       const CentralEntry& central) {
  const unsigned char* p = Bytes(bytes);
  for (size_t skip : {size_t{4}, size_t{0}}) {
    if (skip == 4 &&
        (bytes.size() < 4 || Le32(p) != kDescriptorSignature)) {
      continue;
    }
    if (bytes.size() >= skip + 12 && Le32(p + skip) == central.crc &&
        Le32(p + skip + 4) == central.comp_size &&
        Le32(p + skip + 8) == central.size) {
      return skip + 12;
    }
    if (bytes.size() >= skip + 20 && Le32(p + skip) == central.crc &&
        Le64(p + skip + 4) == central.comp_size &&
        Le64(p + skip + 12) == central.size) {
      return skip + 20;
    }
  }
  return std::nullopt;
}

// ------------------------------------------------------------ writing

void AppendLocal(const EntryRecord& entry, std::string* out) {
  const bool zip64 = entry.size >= kMax32 || entry.comp_size >= kMax32;
  Put32(kLocalSignature, out);
  Put16(zip64 ? kNeededZip64 : kNeeded, out);
  Put16(IsAscii(entry.name) ? 0 : kFlagUtf8, out);
  Put16(entry.method, out);
  Put16(entry.time, out);
  Put16(entry.date, out);
  Put32(entry.crc, out);
  Put32(zip64 ? kMax32 : static_cast<std::uint32_t>(entry.comp_size), out);
  Put32(zip64 ? kMax32 : static_cast<std::uint32_t>(entry.size), out);
  Put16(static_cast<std::uint16_t>(entry.name.size()), out);
  Put16(zip64 ? 20 : 0, out);
  out->append(entry.name);
  if (zip64) {
    Put16(kZip64Extra, out);
    Put16(16, out);
    Put64(entry.size, out);
    Put64(entry.comp_size, out);
  }
}

void AppendCentral(const EntryRecord& entry, std::string* out) {
  std::string extra;
  auto field = [&](std::uint64_t value) -> std::uint32_t {
    if (value < kMax32) return static_cast<std::uint32_t>(value);
    Put64(value, &extra);
    return kMax32;
  };
  const std::uint32_t size = field(entry.size);
  const std::uint32_t comp_size = field(entry.comp_size);
  const std::uint32_t header_at = field(entry.header_at);
  const bool zip64 = !extra.empty();
  Put32(kCentralSignature, out);
  Put16(kMadeBy, out);
  Put16(zip64 ? kNeededZip64 : kNeeded, out);
  Put16(IsAscii(entry.name) ? 0 : kFlagUtf8, out);
  Put16(entry.method, out);
  Put16(entry.time, out);
  Put16(entry.date, out);
  Put32(entry.crc, out);
  Put32(comp_size, out);
  Put32(size, out);
  Put16(static_cast<std::uint16_t>(entry.name.size()), out);
  Put16(static_cast<std::uint16_t>(zip64 ? extra.size() + 4 : 0), out);
  Put16(0, out);  // comment
  Put16(0, out);  // disk
  Put16(0, out);  // internal attributes
  Put32(entry.external, out);
  Put32(header_at, out);
  out->append(entry.name);
  if (zip64) {
    Put16(kZip64Extra, out);
    Put16(static_cast<std::uint16_t>(extra.size()), out);
    out->append(extra);
  }
}

void AppendEnd(std::uint64_t count, std::uint64_t size, std::uint64_t at,
               std::string* out) {
  if (count >= kMax16 || size >= kMax32 || at >= kMax32) {
    const std::uint64_t record_at = at + size;
    Put32(kEnd64Signature, out);
    Put64(kEnd64Size - 12, out);
    Put16(kMadeBy, out);
    Put16(kNeededZip64, out);
    Put32(0, out);
    Put32(0, out);
    Put64(count, out);
    Put64(count, out);
    Put64(size, out);
    Put64(at, out);
    Put32(kLocatorSignature, out);
    Put32(0, out);
    Put64(record_at, out);
    Put32(1, out);
  }
  Put32(kEndSignature, out);
  Put16(0, out);
  Put16(0, out);
  const auto count16 = static_cast<std::uint16_t>(std::min<std::uint64_t>(count, kMax16));
  Put16(count16, out);
  Put16(count16, out);
  Put32(static_cast<std::uint32_t>(std::min<std::uint64_t>(size, kMax32)), out);
  Put32(static_cast<std::uint32_t>(std::min<std::uint64_t>(at, kMax32)), out);
  Put16(0, out);  // comment
}

}  // namespace almanix::store::zip
