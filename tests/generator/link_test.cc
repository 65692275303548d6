#include <gtest/gtest.h>

#include "generator/link.h"
