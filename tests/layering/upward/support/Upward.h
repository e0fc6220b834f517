// A support header that reaches up into the entry point: scripts/check-layers must refuse it.
#pragma once

#include "app/RunModes.h"
