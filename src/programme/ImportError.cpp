#include "programme/ImportError.h"

namespace quavel {

ImportError ImportError::webImportFailed(const QString& message)
{
    return ImportError(Kind::WebImportFailed, message);
}

ImportError ImportError::unreadable()
{
    return ImportError(Kind::Unreadable, QStringLiteral("Impossible de lire ce fichier type."));
}

ImportError ImportError::noWebProgramme()
{
    return ImportError(Kind::NoWebProgramme,
        QStringLiteral("Cette page ne contient pas de programme exploitable. Ouvrez un concours ou une "
                       "liste de départ."));
}

} // namespace quavel
