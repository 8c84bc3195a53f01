// Must not build: the files library cannot see the rules above it.
#include "card/cardeditor.h"
