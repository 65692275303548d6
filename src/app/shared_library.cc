#include "app/shared_library.h"

#include <dlfcn.h>

namespace almanix {
namespace {

std::string LastError() {
  const char* text = dlerror();
  return text != nullptr ? text : "unknown reason";
}

Status NotLoaded(const std::string& name, const std::string& reason) {
  return Status::NotFound("the system's " + name + " library could not be loaded: " + reason)
      .WithCause(reason);
}

}  // namespace

Status OpenSharedLibrary(const char* soname, const std::string& name,
                         std::initializer_list<LibrarySymbol> symbols) {
  // Local binding: the library's symbols serve only this table, never
  // another library's lookups.
  void* handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return NotLoaded(name, LastError());
  for (const LibrarySymbol& symbol : symbols) {
    dlerror();
    void* address = dlsym(handle, symbol.name);
    if (address == nullptr) {
      const std::string reason = LastError();
      for (const LibrarySymbol& s : symbols) *s.slot = nullptr;
      return NotLoaded(name, reason);
    }
    *symbol.slot = address;
  }
  return Status::Ok();
}

}  // namespace almanix
