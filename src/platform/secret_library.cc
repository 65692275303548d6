#include "platform/secret_library.h"

namespace almanix::platform {
namespace {

SecretFunctions& Table() {
  static SecretFunctions table;
  return table;
}

}  // namespace

Status LoadLibsecret() {
  static const Status loaded = [] {
    SecretFunctions& table = Table();
    return OpenSharedLibrary("libsecret-1.so.0", "libsecret",
                             {ALMANIX_SECRET_FUNCTIONS(ALMANIX_LIBRARY_SYMBOL)});
  }();
  return loaded;
}

const SecretFunctions& Libsecret() { return Table(); }

}  // namespace almanix::platform
