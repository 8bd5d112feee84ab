// The whole Qt Widgets module header.
#include <QtWidgets/QtWidgets>
