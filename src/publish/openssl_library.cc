#include "publish/openssl_library.h"

namespace almanix::publish {
namespace {

OpenSslFunctions& Table() {
  static OpenSslFunctions table;
  return table;
}

}  // namespace

Status LoadOpenSsl() {
  static const Status loaded = [] {
    OpenSslFunctions& table = Table();
    return OpenSharedLibrary("libssl.so.3", "OpenSSL",
                             {ALMANIX_OPENSSL_FUNCTIONS(ALMANIX_LIBRARY_SYMBOL)});
  }();
  return loaded;
}

const OpenSslFunctions& OpenSsl() { return Table(); }

}  // namespace almanix::publish
