// Placed ahead of Qt's own headers in the include path of every target that may not use Qt Widgets
// (quavel_check_widgets). Every Qt Widgets header includes <QtWidgets/qtwidgetsglobal.h>, so including
// any of them, in any form, stops the compile here, where the link check alone would let a source that
// only includes a widget header through (Qt Gui's include path holds the whole Qt folder).
#error "Qt Widgets header in a non-view target: only the widget layers and programs may use Qt Widgets."
