// Qt Print Support, which links Qt Widgets.
#include <QtPrintSupport/QPrinter>
