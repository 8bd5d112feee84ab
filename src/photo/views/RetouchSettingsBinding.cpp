#include "photo/views/RetouchSettingsBinding.h"

namespace quavel {

RetouchSettingsBinding::RetouchSettingsBinding(
    const PhotoRetouchSettings& initial, Writer writer, QObject* parent)
    : QObject(parent)
    , m_value(initial)
    , m_writer(std::move(writer))
{ }

void RetouchSettingsBinding::setValue(const PhotoRetouchSettings& value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

void RetouchSettingsBinding::edit(const PhotoRetouchSettings& value)
{
    if (value == m_value)
        return;
    m_value = value;
    if (m_writer)
        m_writer(value);
    // An owner that answered the write with a value of its own has announced that one already.
    if (m_value == value)
        emit valueChanged(m_value);
}

} // namespace quavel
