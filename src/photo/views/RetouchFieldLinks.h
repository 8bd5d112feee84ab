#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"

namespace quavel {

class RetouchCheckboxRow;
class RetouchSettingsBinding;
class RetouchSliderRow;

// Ties one row to one field of a bound retouch value, both ways: the row shows the field now and after
// every change of the value, and the row's edits change that field alone.
namespace RetouchFieldLinks {

void link(RetouchSliderRow* row, RetouchSettingsBinding* settings, double PhotoRetouchSettings::*field);
void link(RetouchCheckboxRow* row, RetouchSettingsBinding* settings, bool PhotoRetouchSettings::*field);

} // namespace RetouchFieldLinks
} // namespace quavel
