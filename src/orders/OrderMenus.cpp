#include "orders/OrderMenus.h"

#include "photo/OpenWithApps.h"
#include "platform/files/NativeName.h"

#include <QFileInfo>

namespace quavel::OrderMenus {

namespace {

OrderMenuItem entry(const QString& title, const QString& symbol, OrderMenuAction action, bool enabled = true)
{
    OrderMenuItem item;
    item.title = title;
    item.symbol = symbol;
    item.action = action;
    item.enabled = enabled;
    return item;
}

const QString needRetouch = QStringLiteral("Réglez d’abord la retouche dans le panneau de gauche");

} // namespace

QList<OrderMenuItem> printEntries()
{
    QList<OrderMenuItem> items;
    for (PrintPaperFormat format : PrintPaperFormats::allCases()) {
        OrderMenuItem item = entry(PrintPaperFormats::title(format), {}, OrderMenuAction::print);
        item.paper = format;
        items.append(item);
    }
    items.append(OrderMenuItem::divider());
    items.append(entry(QStringLiteral("Panneau d’impression…"), {}, OrderMenuAction::print));
    return items;
}

QList<OrderMenuItem> fileMenu(const OrderMedia& file, bool hasBackup, bool canRetouch)
{
    QList<OrderMenuItem> items;
    if (!file.isVideo) {
        items.append(entry(QStringLiteral("Recadrer"), QStringLiteral("crop"), OrderMenuAction::crop));
        items.append(entry(QStringLiteral("Retoucher"), QStringLiteral("slider.horizontal.3"),
            OrderMenuAction::retouch, canRetouch));
        items.append(entry(
            QStringLiteral("Ajouter le filigrane"), QStringLiteral("seal"), OrderMenuAction::watermark));
        if (hasBackup)
            items.append(entry(QStringLiteral("Annuler les modifications"),
                QStringLiteral("arrow.uturn.backward"), OrderMenuAction::undo));
        items.append(OrderMenuItem::divider());
        OrderMenuItem print;
        print.kind = OrderMenuItem::Kind::submenu;
        print.title = QStringLiteral("Imprimer");
        print.children = printEntries();
        items.append(print);
    }
    items.append(entry(QStringLiteral("Partager par AirDrop"), QStringLiteral("square.and.arrow.up"),
        OrderMenuAction::share));
    items.append(entry(QStringLiteral("Ouvrir"), {}, OrderMenuAction::open));
    items.append(entry(QStringLiteral("Choisir une application…"), {}, OrderMenuAction::chooseApplication));
    return items;
}

bool isRememberedForAll(
    const QString& application, const QStringList& files, const QMap<QString, QString>& remembered)
{
    if (files.isEmpty())
        return false;
    const QString wanted = NativeName::absolute(application);
    for (const QString& file : files) {
        const auto found = remembered.constFind(OpenWithApps::typeKey(file));
        if (found == remembered.cend() || !QFileInfo::exists(*found))
            return false;
        if (NativeName::absolute(*found) != wanted)
            return false;
    }
    return true;
}

QList<OrderMenuItem> openWithMenu(
    const QStringList& files, const QList<OpenWithApp>& apps, const QMap<QString, QString>& remembered)
{
    if (files.isEmpty()) {
        OrderMenuItem text;
        text.kind = OrderMenuItem::Kind::text;
        text.title = QStringLiteral("Sélectionnez des fichiers");
        text.enabled = false;
        return { text };
    }
    QList<OrderMenuItem> items;
    items.append(entry(QStringLiteral("Partager par AirDrop"), {}, OrderMenuAction::share));
    items.append(entry(QStringLiteral("Ouvrir"), {}, OrderMenuAction::open));
    if (!apps.isEmpty()) {
        items.append(OrderMenuItem::divider());
        for (qsizetype i = 0; i < apps.size() && i < maxApplications; ++i) {
            const bool checked = isRememberedForAll(apps[i].url, files, remembered);
            OrderMenuItem app = entry(
                apps[i].name, checked ? QStringLiteral("checkmark") : QString(), OrderMenuAction::openWith);
            app.checked = checked;
            app.application = apps[i].url;
            items.append(app);
        }
    }
    items.append(OrderMenuItem::divider());
    items.append(
        entry(QStringLiteral("Choisir une autre application…"), {}, OrderMenuAction::chooseApplication));
    return items;
}

bool holdsPhoto(const QList<OrderMedia>& files)
{
    return std::any_of(files.cbegin(), files.cend(), [](const OrderMedia& m) { return !m.isVideo; });
}

QStringList paths(const QList<OrderMedia>& files)
{
    QStringList result;
    result.reserve(files.size());
    for (const OrderMedia& m : files)
        result.append(m.url);
    return result;
}

BatchControls batchControls(const QList<OrderMedia>& files, bool retouchNeutral, bool isRetouching,
    bool watermarksEmpty, bool section, bool isWatermarking)
{
    const bool photo = holdsPhoto(files);
    BatchControls c;
    c.retouchEnabled = photo && !retouchNeutral && !isRetouching;
    c.watermarkEnabled = photo && !watermarksEmpty && !isWatermarking;
    c.printEnabled = photo;
    if (section) {
        c.retouchHelp = retouchNeutral
            ? needRetouch
            : QStringLiteral("Appliquer les réglages de retouche à toutes les photos de cette section");
        c.watermarkHelp = watermarksEmpty
            ? QStringLiteral("Choisissez d’abord un fichier filigrane")
            : QStringLiteral("Ajouter le filigrane sélectionné à toutes les photos de cette section");
        c.printHelp = QStringLiteral("Imprimer toutes les photos de cette section en pleine résolution");
    }
    return c;
}

QString cellRetouchHelp(bool canRetouch)
{
    return canRetouch ? QStringLiteral("Appliquer les réglages de retouche") : needRetouch;
}

} // namespace quavel::OrderMenus
