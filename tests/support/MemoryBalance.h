#pragma once
// The balance checks count task memory through the allocation counter's spy.
#include "testbed/AllocationCounter.h"
