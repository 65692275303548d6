#include <gtest/gtest.h>

#include "generator/ical.h"
