// A Qt Gui header: what a non-view target may include, so the refusals above are for Widgets alone.
#include <QtGui/QImage>

int plantedGuiImageWidth()
{
    return QImage(2, 1, QImage::Format_RGB32).width();
}
