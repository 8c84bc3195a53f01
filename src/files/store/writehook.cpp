#include "store/writehook.h"

namespace tama::writehook {

namespace {
Hook &hook() {
    static Hook h;
    return h;
}
int suspended = 0;
} // namespace

void set(Hook h) {
    hook() = std::move(h);
}

void beforeWrite(const QString &filePath) {
    if (suspended > 0 || !hook()) return;
    // The hook's own writes must not call it again.
    const Suspend inside;
    hook()(filePath);
}

Suspend::Suspend() {
    ++suspended;
}

Suspend::~Suspend() {
    --suspended;
}

} // namespace tama::writehook
