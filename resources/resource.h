#pragma once
// String table of the module.
#define IDS_ASSISTLAYER2_DESC 101
#define IDS_PROXYASSISTANT_DESC 102
