// A widget class by its module-qualified header, as Qt Gui's include path lets a source write it.
#include <QtWidgets/QWidget>
