#include "views/cardscreenlink.h"
#include "app/windowhelpers.h"

#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"

namespace tama::cardscreen {

void showCard(WindowRegistry &registry, int n) {
    PatincoMain *main = registry.get<PatincoMain>();
    main->showCardNumber(n);
    bringToFront(main);
}

void showDiaryCard(WindowRegistry &registry, int year, int n) {
    PatincoMain *main = registry.get<PatincoMain>();
    main->showDiaryCard(year, n);
    bringToFront(main);
}

QString entryYear(WindowRegistry &registry) {
    if (PatincoMain *main = registry.find<PatincoMain>()) return main->yearText();
    return registry.state().yearText();
}

QString entryMonth(WindowRegistry &registry) {
    if (PatincoMain *main = registry.find<PatincoMain>()) return main->editor().card().month;
    return {};
}

} // namespace tama::cardscreen
