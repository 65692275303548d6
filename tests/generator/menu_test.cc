#include <gtest/gtest.h>

#include "generator/menu.h"
