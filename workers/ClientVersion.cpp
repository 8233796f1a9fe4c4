#include "workers/ClientDescription.h"

// A test build compiles this file again with another version code and
// links it ahead of the library, which then adds no definition of its own.
#ifndef ORVANE_CLIENT_VERSION
#define ORVANE_CLIENT_VERSION "4"
#endif

const char kClientVersion[] = ORVANE_CLIENT_VERSION;
