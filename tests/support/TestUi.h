#pragma once

#include "FakeUi.h"

// The widget tests' name for the one fake of the document's user-interface services.
using TestUi = FakeUi;
