// The file-system test helpers moved to tests/support; this name stays until every test includes them there.
#pragma once

#include "tests/support/file_test_support.h"
