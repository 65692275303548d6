#include "generator/qrencode_library.h"

namespace almanix::generator {
namespace {

QrencodeFunctions& Table() {
  static QrencodeFunctions table;
  return table;
}

}  // namespace

Status LoadQrencode() {
  static const Status loaded = [] {
    QrencodeFunctions& table = Table();
    return OpenSharedLibrary("libqrencode.so.4", "libqrencode",
                             {ALMANIX_QRENCODE_FUNCTIONS(ALMANIX_LIBRARY_SYMBOL)});
  }();
  return loaded;
}

const QrencodeFunctions& Qrencode() { return Table(); }

}  // namespace almanix::generator
