#pragma once

namespace tama {

// Registers the bundled icons and help pages; they live in a static library, so
// the program (and each test) asks for them once before the first window.
void initResources();

} // namespace tama
