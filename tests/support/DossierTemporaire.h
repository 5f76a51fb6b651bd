#pragma once
// A private folder for one test: the temporary folder, the registry hives and the ODBC
// ini files all point into it, so no test touches the user's own files.
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace kervane::test {

class DossierTemporaire {
public:
    DossierTemporaire();
    ~DossierTemporaire();
    DossierTemporaire(const DossierTemporaire&) = delete;
    DossierTemporaire& operator=(const DossierTemporaire&) = delete;

    QString chemin() const { return m_dossier.path(); }
    QString fichier(const QString& strNom) const { return m_dossier.filePath(strNom); }

private:
    QTemporaryDir m_dossier;
    std::optional<QByteArray> m_anciens[4];
};

}  // namespace kervane::test
