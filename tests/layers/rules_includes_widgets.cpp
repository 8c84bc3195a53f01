// Must not build: the rules library does not link Qt Widgets.
#include <QWidget>
