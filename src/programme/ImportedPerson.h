#pragma once

#include <QHash>
#include <QString>

#include <nlohmann/json_fwd.hpp>

namespace quavel {

// One rider of a programme, keyed by the canonical bib. A parser only creates riders with a bib and
// at least one name part.
struct ImportedPerson
{
    QString canonicalNumber;
    QString firstName;
    QString lastName;
    // Where the rider was read: worksheet row (1-based), federation list page, position on a results
    // page, or 0 for other PDF lines.
    qint64 sourceLine = 0;

    // "NOM PRENOM": both parts trimmed and upper-cased under fr_FR, empty parts left out.
    QString formattedName() const;
    // formattedName, or "N° <bib>" when the rider has no name.
    QString displayName() const;
    // The sanitised formattedName, or the bib when the rider has no name. A rider folder itself is
    // named by FileNameSanitizer::riderFolderName, which makes this safe to create.
    QString folderName() const;

    nlohmann::json toJson() const;
    static ImportedPerson fromJson(const nlohmann::json& json);

    bool operator==(const ImportedPerson&) const = default;
};

size_t qHash(const ImportedPerson& person, size_t seed = 0);

} // namespace quavel

// Its members are all relocatable, so lists of riders grow by moving bytes, not riders.
Q_DECLARE_TYPEINFO(quavel::ImportedPerson, Q_RELOCATABLE_TYPE);
