#pragma once

// libsecret's and GLib's types come from their headers; the functions from
// the table below, filled when a stored password is first asked for.
#include <libsecret/secret.h>

#include "app/shared_library.h"
#include "app/status.h"

#define ALMANIX_SECRET_FUNCTIONS(X)                                                     \
  X(secret_service_get_sync) X(secret_collection_for_alias_sync)                       \
  X(secret_collection_get_locked) X(secret_password_lookupv_sync)                      \
  X(secret_password_storev_sync) X(secret_password_clearv_sync) X(secret_password_free) \
  X(g_object_unref) X(g_error_free) X(g_str_hash) X(g_str_equal) X(g_hash_table_new)   \
  X(g_hash_table_insert) X(g_hash_table_unref) X(g_cancellable_new)                    \
  X(g_cancellable_cancel) X(g_bus_get_sync) X(g_dbus_connection_call_sync)             \
  X(g_variant_new) X(g_variant_get) X(g_variant_unref)

namespace almanix::platform {

struct SecretFunctions {
  ALMANIX_SECRET_FUNCTIONS(ALMANIX_LIBRARY_MEMBER)
};

// Opens libsecret (and GLib behind it) once per process.
Status LoadLibsecret();
// REQUIRES: LoadLibsecret() succeeded.
const SecretFunctions& Libsecret();

}  // namespace almanix::platform
