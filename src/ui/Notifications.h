#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace quavel {

// The application's notification centre: the menu commands post here and the screens that react listen.
// One signal per notification name; posting by name is for callers that hold the name as text.
class Notifications : public QObject
{
    Q_OBJECT

public:
    static Notifications& instance();

    // "quavelNewDay", "quavelNewSpreadsheet", "quavelShowPaniers", "quavelShowTableur",
    // "quavelShowCommandes", "quavelImportProgramme", "quavelImportProgrammeWeb".
    static const QStringList& names();
    // Emits the signal of that name; false for an unknown name.
    bool post(const QString& name);

signals:
    void quavelNewDay();
    void quavelNewSpreadsheet();
    void quavelShowPaniers();
    void quavelShowTableur();
    void quavelShowCommandes();
    void quavelImportProgramme();
    void quavelImportProgrammeWeb();

private:
    Notifications() = default;
};

} // namespace quavel
