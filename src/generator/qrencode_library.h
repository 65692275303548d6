#pragma once

// libqrencode's types come from its header; its two functions from the
// table below, filled when a page first shows a subscribe QR code.
#include <qrencode.h>

#include "app/shared_library.h"
#include "app/status.h"

#define ALMANIX_QRENCODE_FUNCTIONS(X) X(QRcode_encodeString) X(QRcode_free)

namespace almanix::generator {

struct QrencodeFunctions {
  ALMANIX_QRENCODE_FUNCTIONS(ALMANIX_LIBRARY_MEMBER)
};

// Opens libqrencode once per process; later calls give the first answer.
Status LoadQrencode();
// REQUIRES: LoadQrencode() succeeded.
const QrencodeFunctions& Qrencode();

}  // namespace almanix::generator
