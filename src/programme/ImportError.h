#pragma once

#include "platform/Error.h"

namespace quavel {

// A programme that cannot be imported; message() is the French text shown to the photographer.
class ImportError : public Error
{
public:
    enum class Kind { WebImportFailed, Unreadable, NoWebProgramme };

    // The web importer's own message, shown as it is.
    static ImportError webImportFailed(const QString& message);
    // "Impossible de lire ce fichier type."
    static ImportError unreadable();
    // "Cette page ne contient pas de programme exploitable. Ouvrez un concours ou une liste de départ."
    static ImportError noWebProgramme();

    Kind kind() const noexcept { return m_kind; }

private:
    ImportError(Kind kind, QString message)
        : Error(std::move(message))
        , m_kind(kind)
    { }

    Kind m_kind;
};

} // namespace quavel
