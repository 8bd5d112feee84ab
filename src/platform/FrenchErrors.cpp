#include "platform/FrenchErrors.h"

#include <cerrno>

namespace quavel {

QString frenchDescription(int e)
{
    switch (e) {
    case 0:
        return QStringLiteral("L’opération a réussi.");
    case ENOENT:
        return QStringLiteral("Le fichier ou le dossier est introuvable.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Vous n’avez pas l’autorisation d’accéder à cet élément.");
    case EEXIST:
        return QStringLiteral("Un élément portant ce nom existe déjà.");
    case ENOTDIR:
        return QStringLiteral("Un élément du chemin n’est pas un dossier.");
    case EISDIR:
        return QStringLiteral("L’élément est un dossier et non un fichier.");
    case ENOSPC:
        return QStringLiteral("Il n’y a plus assez d’espace libre sur le disque.");
    case EDQUOT:
        return QStringLiteral("Le quota d’espace disque est dépassé.");
    // The kernel also turns a failing disk read-only, so the text names that cause beside a locked card.
    case EROFS:
        return QStringLiteral("Le disque est en lecture seule : il est peut-être verrouillé ou défectueux.");
    case EIO:
        return QStringLiteral(
            "Le disque n’a pas pu être lu ou écrit : il est peut-être défectueux ou a été débranché.");
    case ENAMETOOLONG:
        return QStringLiteral("Le nom du fichier est trop long.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Trop de fichiers sont ouverts.");
    case EBUSY:
        return QStringLiteral("L’élément est utilisé par une autre application.");
    case EXDEV:
        return QStringLiteral("L’élément ne peut pas être déplacé vers un autre disque.");
    case ENOTEMPTY:
        return QStringLiteral("Le dossier n’est pas vide.");
    case ELOOP:
        return QStringLiteral("Le chemin contient trop de liens symboliques.");
    case EINVAL:
        return QStringLiteral("L’opération demandée n’est pas valide.");
    case EFBIG:
        return QStringLiteral("Le fichier est trop volumineux.");
    case ENOMEM:
        return QStringLiteral("La mémoire est insuffisante.");
    case ETIMEDOUT:
        return QStringLiteral("Le délai d’attente est dépassé.");
    case ENODEV:
    case ENXIO:
        return QStringLiteral("Le disque est introuvable : il a peut-être été débranché.");
    // A FUSE or network mount whose server went away answers ENOTCONN to every call.
    case ENOTCONN:
        return QStringLiteral(
            "Le disque n’est plus connecté : il a peut-être été débranché ou déconnecté du réseau.");
    case ENOMEDIUM:
        return QStringLiteral("La carte ou le disque a été retiré du lecteur.");
    case EOPNOTSUPP:
        return QStringLiteral("Cette opération n’est pas prise en charge par le disque.");
    case EAGAIN:
        return QStringLiteral("La ressource est momentanément indisponible.");
    case EINTR:
        return QStringLiteral("L’opération a été interrompue.");
    case EBADF:
        return QStringLiteral("Le fichier n’est plus accessible.");
    case ESTALE:
        return QStringLiteral("Le fichier n’est plus accessible : son disque réseau a été déconnecté ou le "
                              "fichier a été déplacé.");
    case ETXTBSY:
        return QStringLiteral("Le fichier est utilisé par une autre application.");
    default:
        return QStringLiteral("L’opération sur le fichier a échoué (erreur %1).").arg(e);
    }
}

} // namespace quavel
