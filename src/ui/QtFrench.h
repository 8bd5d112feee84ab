#pragma once

// Qt's own dialogs and widgets (file panels, message boxes, their sizes and dates) in French, like the
// rest of the application: Qt's French catalogue (qtbase_fr, from qt6-translations-l10n), the few
// texts of the file panel that the catalogue of Qt 6.4 lacks, and the French locale for what Qt
// formats. Call once at start, after the application object exists; true when the catalogue was
// found.
namespace quavel::QtFrench {

bool install();

} // namespace quavel::QtFrench
