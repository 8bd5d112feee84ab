#pragma once

#include "platform/SettingsFile.h"

#include <QString>

#include <optional>

namespace quavel {

struct OrdersFile;

// The settings file of the orders store, "settings.json" in its folder: read once at creation, written
// whole after each change. A file that exists but does not read is set aside before the first write
// replaces it ("settings.json.unreadable-<UTC time>"), and nothing is written if it cannot be.
//
// GUI thread only.
class OrdersSettingsFile
{
public:
    // "settings.json" in `folder` (created on the first write).
    explicit OrdersSettingsFile(const QString& folder);

    const QString& url() const { return m_file.url(); }
    // What the file holds; none when there is no file or it does not read.
    std::optional<OrdersFile> read();
    // Failures show nothing.
    void write(const OrdersFile& file);

private:
    SettingsFile m_file;
};

} // namespace quavel
