// A widget header by its file name.
#include <QtWidgets/qpushbutton.h>
