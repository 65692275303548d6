#pragma once

// libcurl's types and constants come from its header; its functions from
// the table below, filled when publishing or fetching first needs them.
// The type-checking macros would wrap the table's calls, so they are off.
#define CURL_DISABLE_TYPECHECK 1
#include <curl/curl.h>

#include "app/shared_library.h"
#include "app/status.h"

#define ALMANIX_CURL_FUNCTIONS(X)                                                   \
  X(curl_global_init) X(curl_easy_init) X(curl_easy_cleanup) X(curl_easy_setopt) \
  X(curl_easy_getinfo) X(curl_easy_perform) X(curl_easy_strerror)                \
  X(curl_easy_escape) X(curl_free) X(curl_slist_append) X(curl_slist_free_all)

namespace almanix::publish {

struct CurlFunctions {
  ALMANIX_CURL_FUNCTIONS(ALMANIX_LIBRARY_MEMBER)
};

// Opens libcurl and sets it up, once per process; later calls give the
// first call's answer.
Status LoadCurl();
// REQUIRES: LoadCurl() succeeded.
const CurlFunctions& Curl();

}  // namespace almanix::publish
