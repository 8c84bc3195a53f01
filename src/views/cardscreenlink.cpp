#include "cardscreenlink.h"

#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"

#include <QLineEdit>
#include <QScrollBar>

using namespace Qt::Literals::StringLiterals;

namespace tama::cardscreen {

void showCard(WindowRegistry &registry, int n) {
    PatincoMain *main = registry.get<PatincoMain>();
    if (QScrollBar *bar = main->findChild<QScrollBar *>(u"HScroll1"_s)) bar->setValue(n);
    main->show();
    main->raise();
    main->activateWindow();
}

QString entryYear(WindowRegistry &registry) {
    if (PatincoMain *main = registry.find<PatincoMain>()) return main->yearText();
    return registry.state().year;
}

QString entryMonth(WindowRegistry &registry) {
    if (PatincoMain *main = registry.find<PatincoMain>())
        if (QLineEdit *box = main->findChild<QLineEdit *>(u"Text3"_s)) return box->text();
    return {};
}

} // namespace tama::cardscreen
