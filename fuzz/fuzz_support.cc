#include "fuzz_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/opener.h"

namespace almanix::fuzz {

FuzzRoot::FuzzRoot() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "almanix-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::abort();
  }
  path_ = pattern + "/";
  // Nothing may reach the real home folder.
  setenv("ALMANIX_ROOT", (path_ + "root").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (path_ + "xdg-config").c_str(), 1);
  setenv("XDG_DATA_HOME", (path_ + "xdg-data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (path_ + "runtime").c_str(), 1);
  std::filesystem::create_directories(path_ + "runtime");
  std::filesystem::create_directories(path_ + "input");
}

FuzzRoot::~FuzzRoot() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string FuzzRoot::Write(const std::string& name, const uint8_t* data,
                            size_t size) const {
  const std::string target = path_ + "input/" + name;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) {
    std::perror(target.c_str());
    std::abort();
  }
  return target;
}

Program::Program() : almanix::Program(quiet_ui) {
  Options options;
  options.install_dir = ALMANIX_FUZZ_DATA_DIR;
  options.root = root.path() + "user";
  app.opener = std::make_unique<platform::XdgOpener>("true");
  if (Status s = Start(options); !s.ok()) {
    std::fprintf(stderr, "fuzz: the program could not start: %s\n", s.message().c_str());
    std::abort();
  }
}

Program& TheProgram() {
  static Program program;
  return program;
}

}  // namespace almanix::fuzz
