#pragma once

#include "FakeUi.h"

// The widget tests' name for the one fake of the user interface's services.
using TestUi = FakeUi;
