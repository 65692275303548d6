#include <gtest/gtest.h>

#include "generator/rss.h"
