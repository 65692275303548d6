#pragma once

// The ZIP file format's records as bytes: little-endian fields, the local
// and central headers, the end records (ZIP64 too), DOS times and the names'
// two encodings. No I/O here; zip_archive.cc decides what to read, write and
// refuse.

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace almanix::store::zip {

inline constexpr std::uint32_t kLocalSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kEnd64Signature = 0x06064b50;
inline constexpr std::uint32_t kLocatorSignature = 0x07064b50;
inline constexpr std::uint32_t kDescriptorSignature = 0x08074b50;

inline constexpr size_t kLocalSize = 30;  // fixed part, before name and extra
inline constexpr size_t kCentralSize = 46;
inline constexpr size_t kEndSize = 22;
inline constexpr size_t kEnd64Size = 56;
inline constexpr size_t kLocatorSize = 20;
// The end record, its longest comment, and room for the ZIP64 locator.
inline constexpr size_t kTailSearch = kEndSize + 65535 + kLocatorSize;

inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800;
inline constexpr std::uint8_t kSystemUnix = 3;
inline constexpr std::uint32_t kMax32 = 0xffffffff;
inline constexpr std::uint16_t kMax16 = 0xffff;
// No ZIP64 end record named.
inline constexpr std::uint64_t kNoZip64 = ~std::uint64_t{0};

std::uint16_t Le16(const unsigned char* p);
std::uint32_t Le32(const unsigned char* p);
std::uint64_t Le64(const unsigned char* p);

// Converts between time_t and the DOS date and time fields, which hold
// local time in two-second steps. The zone is read once, when the clock is
// made, not once per entry.
class DosClock {
 public:
  DosClock();
  // Years before 1980 keep their day and time in 1980, as other writers do;
  // past 2107 is the last moment DOS can hold.
  void ToDos(time_t when, std::uint16_t* time, std::uint16_t* date) const;
  time_t FromDos(std::uint16_t time, std::uint16_t date) const;
};

// One entry as the central directory has it, the ZIP64 values already in
// place of the all-ones fields.
struct CentralEntry {
  std::uint16_t made_by = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint32_t crc = 0;
  std::uint32_t external = 0;
  std::uint64_t comp_size = 0;
  std::uint64_t size = 0;
  std::uint64_t header_at = 0;
  std::string raw_name;  // as stored
  std::string name;      // as UTF-8
  // The ZIP64 field a value claimed to be in was missing.
  bool zip64_missing = false;
};

// Where the central directory lies, from the end records.
struct EndRecord {
  std::uint64_t count = 0;
  std::uint64_t directory_size = 0;
  std::uint64_t directory_at = 0;
  std::uint64_t directory_end = 0;  // where the directory must stop
  bool zip64 = false;
};

enum class EndProblem { kNone, kNotZip, kDamaged };

// Finds the end record in the last bytes of a file (`tail`, which starts
// at `tail_at`) searching back from the end, so a comment that happens to
// hold the signature is not taken for it. ZIP64 records, when named by a
// locator, are read from `tail` when they lie in it; otherwise
// `*zip64_at` says where to read kEnd64Size bytes and call ReadEnd64.
EndProblem FindEnd(std::string_view tail, std::uint64_t tail_at,
                   std::uint64_t file_size, EndRecord* end,
                   std::uint64_t* zip64_at);
bool ReadEnd64(std::string_view record, std::uint64_t record_at,
               EndRecord* end);

// Parses `count` central headers from `directory`; false when they do not
// fill it as the end record said.
bool ParseDirectory(std::string_view directory, std::uint64_t count,
                    std::vector<CentralEntry>* entries);

struct LocalHeader {
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint64_t comp_size = 0;
  std::uint64_t size = 0;
  std::string_view name;
  size_t length = 0;  // fixed part, name and extra: where the data starts
};

// `bytes` starts at the header; nothing when it is not one or is cut off.
std::optional<LocalHeader> ParseLocal(std::string_view bytes);

// Whether the local header tells the same story as the central one: name,
// method, and (without a data descriptor) CRC and sizes.
bool LocalMatches(const LocalHeader& local, const CentralEntry& central);

// The length of the data descriptor at the start of `bytes` when it agrees
// with the entry (with or without its signature, 32- or 64-bit sizes);
// nothing otherwise.
std::optional<size_t> DescriptorLength(std::string_view bytes,
                                       const CentralEntry& central);

// What the writer puts in both headers of one entry.
struct EntryRecord {
  std::string name;
  std::uint16_t method = kStored;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint32_t crc = 0;
  std::uint32_t external = 0;
  std::uint64_t comp_size = 0;
  std::uint64_t size = 0;
  std::uint64_t header_at = 0;
};

void AppendLocal(const EntryRecord& entry, std::string* out);
void AppendCentral(const EntryRecord& entry, std::string* out);
// The end records for `count` entries whose directory of `size` bytes
// starts at `at`; the ZIP64 ones only when a value does not fit.
void AppendEnd(std::uint64_t count, std::uint64_t size, std::uint64_t at,
               std::string* out);

// The external attributes of a Unix mode, as the central header keeps them.
inline std::uint32_t UnixAttributes(mode_t mode) {
  return static_cast<std::uint32_t>(mode) << 16;
}

}  // namespace almanix::store::zip
