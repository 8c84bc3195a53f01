// Must not build: the command-line tool never sees the windows.
#include "cardscreen/patincomain.h"
