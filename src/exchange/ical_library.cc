#include "exchange/ical_library.h"

namespace almanix::exchange {
namespace {

IcalFunctions& Table() {
  static IcalFunctions table;
  return table;
}

}  // namespace

Status LoadIcal() {
  static const Status loaded = [] {
    IcalFunctions& table = Table();
    return OpenSharedLibrary("libical.so.3", "libical",
                             {ALMANIX_ICAL_FUNCTIONS(ALMANIX_LIBRARY_SYMBOL)});
  }();
  return loaded;
}

const IcalFunctions& Ical() { return Table(); }

}  // namespace almanix::exchange
