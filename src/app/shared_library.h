#pragma once

#include <initializer_list>
#include <string>

#include "app/status.h"

namespace almanix {

// One entry of a library's function table: the name to look up and the
// pointer it fills.
struct LibrarySymbol {
  const char* name;
  void** slot;
};

// Opens a system library the first time a command needs it, rather than
// at every start: most runs (open, save, generate, CSV import) never touch
// the transfer, iCalendar, keyring or QR code libraries, and mapping them
// with everything they pull in costs more than the run's own work.
// Fills every slot, or none is to be used: the Status then reads "the
// system's <name> library could not be loaded: <reason>". The library stays
// open for the rest of the process.
Status OpenSharedLibrary(const char* soname, const std::string& name,
                         std::initializer_list<LibrarySymbol> symbols);

}  // namespace almanix

// Lists a library's functions once: ALMANIX_LIBRARY_MEMBER declares a
// pointer of each function's own type, ALMANIX_LIBRARY_SYMBOL names it for
// OpenSharedLibrary.
#define ALMANIX_LIBRARY_MEMBER(fn) decltype(&::fn) fn = nullptr;
#define ALMANIX_LIBRARY_SYMBOL(fn) \
  ::almanix::LibrarySymbol{#fn, reinterpret_cast<void**>(&table.fn)},
