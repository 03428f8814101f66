#pragma once
// The kit's owners under their former name, for the programs around the
// module that have not moved onto the kit yet.
#include "com/Owners.h"
