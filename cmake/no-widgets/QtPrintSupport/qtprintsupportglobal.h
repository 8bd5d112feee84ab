// Placed ahead of Qt's own headers in the include path of every target that may not use Qt Widgets
// (quavel_check_widgets): Qt Print Support links Qt Widgets, and every one of its headers includes
// <QtPrintSupport/qtprintsupportglobal.h>, so including any of them stops the compile here.
#error "Qt Print Support header in a non-view target: it brings Qt Widgets (widget layers only)."
