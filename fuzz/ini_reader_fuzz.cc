// The settings-file reader: a file of any bytes is read, every value asked
// for in each type, and the file written back must read back the same.
#include <cstdio>
#include <cstdlib>

#include "app/ini_file.h"
#include "fuzz_support.h"

namespace {

using almanix::IniFile;

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "ini_reader_fuzz: %s\n", what);
  std::abort();
}

// Every value of every section as text, in file order.
std::vector<std::string> Values(const IniFile& ini) {
  std::vector<std::string> out;
  for (const std::string& section : ini.Sections()) {
    out.push_back("[" + section + "]");
    for (const std::string& key : ini.Keys(section)) {
      out.push_back(key + "=" + ini.ReadString(section, key, "<none>"));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static almanix::fuzz::FuzzRoot root;
  const std::string path = root.Write("settings.ini", data, size);
  IniFile ini(path);
  Check(ini.Load().ok(), "an existing file did not load");

  for (const std::string& section : ini.Sections()) {
    Check(ini.SectionExists(section), "a listed section does not exist");
    (void)ini.SectionValues(section);
    for (const std::string& key : ini.Keys(section)) {
      Check(ini.ValueExists(section, key), "a listed key does not exist");
      (void)ini.ReadInteger(section, key, -1);
      (void)ini.ReadBool(section, key, false);
      (void)ini.ReadFloat(section, key, 0.5);
    }
  }

  // Saved and read again, the file says the same.
  const std::vector<std::string> before = Values(ini);
  const std::string text = ini.ToText();
  Check(ini.Save().ok(), "the file could not be saved");
  IniFile again(path);
  Check(again.Load().ok(), "the saved file did not load");
  Check(Values(again) == before, "the saved file reads back differently");
  Check(again.ToText() == text, "the saved file is written differently");

  // A value written under a key of the file reads back as written, blanks
  // for line breaks and trimmed.
  if (!before.empty()) {
    const std::vector<std::string> sections = ini.Sections();
    const std::string value(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
    ini.WriteString(sections.front(), "Fuzz", value);
    IniFile written;
    written.LoadFromText(ini.ToText());
    Check(written.ValueExists(sections.front(), "Fuzz"), "a written key is lost");
  }
  return 0;
}
