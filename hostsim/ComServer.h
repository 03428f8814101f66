#pragma once
// The kit's table server under its former name, for the programs that have
// not moved onto the kit yet.
#include "com/ServerTable.h"
