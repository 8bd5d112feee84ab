#pragma once

#include "photo/retouch/PhotoRetouchSettings.h"

#include <QObject>

#include <functional>

namespace quavel {

// A two-way link between the retouch controls and whoever owns a retouch value (the orders store's
// preset, the crop editor's session). The controls read the value and edit it; the owner is told of each
// edit through the writer and hands its own changes in with setValue. Every change of the value, from
// either side, is announced once; setting an equal value does nothing. GUI thread only.
class RetouchSettingsBinding : public QObject
{
    Q_OBJECT

public:
    using Writer = std::function<void(const PhotoRetouchSettings&)>;

    explicit RetouchSettingsBinding(
        const PhotoRetouchSettings& initial = {}, Writer writer = {}, QObject* parent = nullptr);

    const PhotoRetouchSettings& value() const { return m_value; }
    // The owner's value: stored and announced, not written back.
    void setValue(const PhotoRetouchSettings& value);
    // A control's edit: stored, handed to the writer, announced.
    void edit(const PhotoRetouchSettings& value);
    void setWriter(Writer writer) { m_writer = std::move(writer); }

    template <class T> void editField(T PhotoRetouchSettings::*field, T value)
    {
        PhotoRetouchSettings s = m_value;
        s.*field = value;
        edit(s);
    }

signals:
    void valueChanged(const PhotoRetouchSettings& value);

private:
    PhotoRetouchSettings m_value;
    Writer m_writer;
};

} // namespace quavel
