#include "publish/curl_library.h"

namespace almanix::publish {
namespace {

CurlFunctions& Table() {
  static CurlFunctions table;
  return table;
}

}  // namespace

Status LoadCurl() {
  static const Status loaded = [] {
    CurlFunctions& table = Table();
    Status status = OpenSharedLibrary("libcurl.so.4", "libcurl",
                                      {ALMANIX_CURL_FUNCTIONS(ALMANIX_LIBRARY_SYMBOL)});
    if (status.ok()) table.curl_global_init(CURL_GLOBAL_DEFAULT);
    return status;
  }();
  return loaded;
}

const CurlFunctions& Curl() { return Table(); }

}  // namespace almanix::publish
