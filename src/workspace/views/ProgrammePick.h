#pragma once

#include "ui/LinkedGroup.h"

#include <optional>

namespace quavel {

class LinkedValue;
class PickButton;

// The programme control of the screens that keep a programme: "Importer" ("Remplacer" once a programme
// is loaded) and "Site" in one capsule, linked to the programme's name. "Site" posts the web-programme
// notification itself (the window opens the browser and stores what it imports into the shown
// section's store); "Importer" asks the screen through importRequested.
class ProgrammePick : public LinkedGroup
{
    Q_OBJECT

public:
    ProgrammePick(std::optional<int> valueMaxWidth, bool fillsWidth, QWidget* parent = nullptr);

    // `name` is the programme's name, or the screen's placeholder when there is none.
    void showProgramme(bool loaded, const QString& name);

signals:
    void importRequested();

private:
    PickButton* m_importButton = nullptr;
    LinkedValue* m_value = nullptr;
};

} // namespace quavel
