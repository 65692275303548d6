#include <gtest/gtest.h>

#include "generator/scroller.h"
