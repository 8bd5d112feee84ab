#include "ui/QtFrench.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quavel::QtFrench {

namespace {

// The file panel names kinds of entries under a context that Qt 6 introduced and its French catalogue
// does not hold yet ("Folder" in the type column).
class Supplement : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(
        const char* context, const char* source, const char* disambiguation, int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        if (qstrcmp(source, "Folder") == 0 || qstrcmp(source, "File Folder") == 0)
            return QStringLiteral("Dossier");
        if (qstrcmp(source, "Drive") == 0)
            return QStringLiteral("Disque");
        if (qstrcmp(source, "Shortcut") == 0 || qstrcmp(source, "Alias") == 0)
            return QStringLiteral("Raccourci");
        return QString();
    }
};

} // namespace

bool install()
{
    auto* app = QCoreApplication::instance();
    // Dates, sizes and kinds of files as a French desktop writes them ("12 Ko", "document PDF").
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    auto* catalogue = new QTranslator(app);
    const bool found = catalogue->load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (found)
        QCoreApplication::installTranslator(catalogue);
    else
        delete catalogue;
    // Installed last, asked first: it answers only what the catalogue lacks.
    QCoreApplication::installTranslator(new Supplement(app));
    return found;
}

} // namespace quavel::QtFrench
