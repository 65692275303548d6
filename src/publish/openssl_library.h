#pragma once

// The few OpenSSL functions the FTPS certificate check and the key
// fingerprints use, looked up when first needed. libcurl has loaded the
// same library by then, so opening it costs a look-up only.
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include "app/shared_library.h"
#include "app/status.h"

#define ALMANIX_OPENSSL_FUNCTIONS(X)                                                \
  X(X509_STORE_CTX_get0_cert) X(X509_STORE_CTX_set_error) X(X509_verify_cert)    \
  X(i2d_X509) X(CRYPTO_free) X(SSL_CTX_set_cert_verify_callback) X(SHA256)       \
  X(EVP_EncodeBlock)

namespace almanix::publish {

struct OpenSslFunctions {
  ALMANIX_OPENSSL_FUNCTIONS(ALMANIX_LIBRARY_MEMBER)
};

// Opens libssl (and libcrypto behind it) once per process.
Status LoadOpenSsl();
// REQUIRES: LoadOpenSsl() succeeded.
const OpenSslFunctions& OpenSsl();

}  // namespace almanix::publish
