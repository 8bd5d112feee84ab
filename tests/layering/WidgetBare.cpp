// The bare class header, which only a target given the Qt Widgets folder finds.
#include <QWidget>
