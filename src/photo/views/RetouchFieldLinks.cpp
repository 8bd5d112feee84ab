#include "photo/views/RetouchFieldLinks.h"

#include "photo/views/RetouchCheckboxRow.h"
#include "photo/views/RetouchSettingsBinding.h"
#include "photo/views/RetouchSliderRow.h"

namespace quavel::RetouchFieldLinks {

void link(RetouchSliderRow* row, RetouchSettingsBinding* settings, double PhotoRetouchSettings::*field)
{
    row->setValue(settings->value().*field);
    QObject::connect(row, &RetouchSliderRow::valueEdited, settings,
        [settings, field](double v) { settings->editField(field, v); });
    QObject::connect(settings, &RetouchSettingsBinding::valueChanged, row,
        [row, field](const PhotoRetouchSettings& s) { row->setValue(s.*field); });
}

void link(RetouchCheckboxRow* row, RetouchSettingsBinding* settings, bool PhotoRetouchSettings::*field)
{
    row->setOn(settings->value().*field);
    QObject::connect(row, &RetouchCheckboxRow::toggled, settings,
        [settings, field](bool on) { settings->editField(field, on); });
    QObject::connect(settings, &RetouchSettingsBinding::valueChanged, row,
        [row, field](const PhotoRetouchSettings& s) { row->setOn(s.*field); });
}

} // namespace quavel::RetouchFieldLinks
