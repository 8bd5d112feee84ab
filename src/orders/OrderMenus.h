#pragma once

#include "orders/OrderMedia.h"
#include "orders/OrderMenuItem.h"
#include "photo/OpenWithApp.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The menus of the orders screen as lists of entries, and the enabled states and help texts of its
// batch controls.
namespace quavel::OrderMenus {

// Applications listed at most in an open-with menu.
inline constexpr qsizetype maxApplications = 12;

// A cell's context menu. Photos: "Recadrer", "Retoucher" (disabled unless `canRetouch`), "Ajouter le
// filigrane", "Annuler les modifications" (only with a backup), a divider, the "Imprimer" submenu;
// then for every file "Partager par AirDrop", "Ouvrir" and "Choisir une application…".
QList<OrderMenuItem> fileMenu(const OrderMedia& file, bool hasBackup, bool canRetouch);

// The paper formats in order, a divider, then "Panneau d’impression…".
QList<OrderMenuItem> printEntries();

// The files panel's "Ouvrir avec" menu for the files: "Sélectionnez des fichiers" alone without files;
// else "Partager par AirDrop", "Ouvrir", the first twelve applications (a divider before them; each
// checked when it is the application remembered for every file's type), a divider and "Choisir une
// autre application…". `remembered` maps type keys to application paths.
QList<OrderMenuItem> openWithMenu(
    const QStringList& files, const QList<OpenWithApp>& apps, const QMap<QString, QString>& remembered);

// Whether `application` is the one remembered for every file's type, and still there.
bool isRememberedForAll(
    const QString& application, const QStringList& files, const QMap<QString, QString>& remembered);

// The state of the three batch controls over a list of files.
struct BatchControls
{
    bool retouchEnabled = false;
    bool watermarkEnabled = false;
    bool printEnabled = false;
    // Help texts of a section's header (empty for the folder-wide row, which sets none).
    QString retouchHelp;
    QString watermarkHelp;
    QString printHelp;
};
// `section`: the help texts of a section header; else none. A running watermark batch disables the
// watermark button without changing its help text.
BatchControls batchControls(const QList<OrderMedia>& files, bool retouchNeutral, bool isRetouching,
    bool watermarksEmpty, bool section, bool isWatermarking = false);

// Whether the files hold a photo (a file that is not a video).
bool holdsPhoto(const QList<OrderMedia>& files);
QStringList paths(const QList<OrderMedia>& files);

// The help of the cell's retouch button.
QString cellRetouchHelp(bool canRetouch);

} // namespace quavel::OrderMenus
