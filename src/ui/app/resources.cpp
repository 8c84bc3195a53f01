#include "app/resources.h"

#include <QtGlobal>

static void initTamanoteResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tama {

void initResources() {
    initTamanoteResources();
}

} // namespace tama
