#include "export/NomFichierExport.h"

#include "export/ValeurCellule.h"
#include "messages/Fichiers.h"
#include "messages/Texte.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kervane {
namespace {

QString dossierDeLaBase(const QString& strBase)
{
    return strBase.isEmpty() ? QDir::currentPath() : QFileInfo(strBase).absolutePath();
}

// The folder as the file system sees it: "/" for a name at the root, relative folders
// taken from the database's folder.
QString dossierReel(const QString& strDossier, const QString& strBase)
{
    if (strDossier.isEmpty())
        return QStringLiteral("/");
    if (QDir::isRelativePath(strDossier))
        return QDir(dossierDeLaBase(strBase)).filePath(strDossier);
    return strDossier;
}

// The version's extension with a name before it, no forbidden character, not a folder.
bool nomValide(const NomExport& nom, const QString& strExtension)
{
    const QString strNomSeul = nom.strFichier.chopped(std::min(nom.strFichier.size(), strExtension.size()));
    return nom.strChemin.size() > 4 && nom.strChemin.right(strExtension.size()).toLower() == strExtension &&
           FIC_VerifierNom(nom.strFichier) && !strNomSeul.isEmpty() && !QFileInfo(nom.strChemin).isDir();
}

}  // namespace

qint32 LireVersionTableur()
{
    return VERSION_TABLEUR;
}

QString ExtensionTableur(qint32 nVersion)
{
    return nVersion < 12 ? QStringLiteral(".xls") : QStringLiteral(".xlsx");
}

NomExport AnalyserNomFichier(const QString& strTexte, qint32 nVersion, const QString& strBase)
{
    NomExport nom;
    const QString strChemin = sansEspaces(strTexte);
    const qsizetype nSeparateur = strChemin.lastIndexOf(u'/');
    if (nSeparateur < 0)
        nom.strDossier = dossierDeLaBase(strBase);
    else
        nom.strDossier = strChemin.left(nSeparateur);
    nom.strFichier = strChemin.mid(nSeparateur + 1);
    const QString strDossier = nSeparateur < 0 ? nom.strDossier : dossierReel(nom.strDossier, strBase);
    if (!QFileInfo(strDossier).isDir()) {
        nom.verdict = VerdictNom::DossierInexistant;
        return nom;
    }
    const QString strExtension = ExtensionTableur(nVersion);
    if (!nom.strFichier.contains(u'.') && !nom.strFichier.isEmpty())
        nom.strFichier += strExtension;
    nom.strChemin = QDir::cleanPath(QDir(strDossier).filePath(nom.strFichier));
    nom.verdict = nomValide(nom, strExtension) ? VerdictNom::Valide : VerdictNom::NomInvalide;
    return nom;
}

}  // namespace kervane
