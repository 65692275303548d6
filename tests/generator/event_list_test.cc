#include <gtest/gtest.h>

#include "generator/event_list.h"
