// Must not build: the command-line tool's include root is its own folder, not src/.
#include "ui/cardscreen/patincomain.h"
