#include "common/clock.h"

namespace tama {

namespace {
const SystemClock kSystemClock;
const Clock *g_clock = &kSystemClock;
} // namespace

const Clock &clock() {
    return *g_clock;
}
void setClock(const Clock *c) {
    g_clock = c ? c : &kSystemClock;
}

} // namespace tama
