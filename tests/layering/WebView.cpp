// A web view (Qt WebEngine Widgets), whose headers include the widget ones.
#include <QtWebEngineWidgets/QWebEngineView>
