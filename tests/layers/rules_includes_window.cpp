// Must not build: the rules library cannot see a window's header.
#include "cardscreen/patincomain.h"
