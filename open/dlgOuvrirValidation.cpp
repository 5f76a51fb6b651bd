// dlgOuvrir: examining the path typed or chosen in the combo, and the inline message.
#include "messages/Fichiers.h"
#include "messages/Piege.h"
#include "open/dlgOuvrir.h"
#include "open/Module_BAS.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace kervane {
namespace {

constexpr int GAUCHE_MESSAGE = 12;
constexpr int LARGEUR_MAX_MESSAGE = 441;

bool fileExists(const QString& strChemin)
{
    const QFileInfo info(strChemin);
    return info.exists() && !info.isDir();
}

}  // namespace

void dlgOuvrir::AfficherMessage(const QString& strTexte)
{
    staInformation->setWordWrap(false);
    staInformation->setText(strTexte);
    const int nLargeur = staInformation->sizeHint().width();
    if (nLargeur > LARGEUR_MAX_MESSAGE) {
        staInformation->setWordWrap(true);
        staInformation->setGeometry(GAUCHE_MESSAGE, 270, LARGEUR_MAX_MESSAGE, 30);
    } else {
        staInformation->setGeometry(GAUCHE_MESSAGE, 277, nLargeur, 17);
    }
    staInformation->show();
}

void dlgOuvrir::cboBases_Validate()
{
    Pieger(QStringLiteral("cboBases_Validate"), [&] {
        const QString strTexte = cboBases->currentText();
        if (strTexte.toUpper() != m_strDernierValide.toUpper())
            examinerChemin(strTexte);
        btnOk->setEnabled(m_bValide);
        return true;
    });
}

// Refuses the path with an inline message at the first check it fails; a path that passes
// them all is opened by the engine and then through the temporary data source.
void dlgOuvrir::examinerChemin(const QString& strTexte)
{
    m_strDernierValide = strTexte;
    staInformation->hide();
    const QString strChemin = strTexte.trimmed();
    m_bValide = false;

    const qsizetype nSeparateur = strChemin.lastIndexOf(QLatin1Char('/'));
    if (nSeparateur < 0) {
        AfficherMessage(QStringLiteral("Vous devez localiser votre base de données."));
        return;
    }
    const QString strDossier = strChemin.left(nSeparateur + 1);
    if (!QFileInfo(strDossier).isDir()) {
        AfficherMessage(QStringLiteral("Le répertoire [") + strDossier
                        + QStringLiteral("] est incorrect ou inexistant."));
        return;
    }
    const QString strFichier = strChemin.mid(nSeparateur + 1);
    if (strChemin.size() > 4 && strChemin.right(4).toLower() != QLatin1String(".mdb")) {
        AfficherMessage(QStringLiteral("Le fichier [") + strFichier
                        + QStringLiteral("] n'est pas une base de données (*.mdb)."));
        return;
    }
    if (strChemin.size() <= 4 || !FIC_VerifierNom(strFichier)) {
        AfficherMessage(QStringLiteral("Le nom du fichier [") + strFichier + QStringLiteral("] n'est pas valide."));
        return;
    }
    if (!fileExists(strChemin)) {
        AfficherMessage(QStringLiteral("La base de données [") + strChemin + QStringLiteral("] n'existe pas."));
        return;
    }
    m_bValide = BAS_VerifierBase(strChemin);
    if (!m_bValide) {
        staBase->clear();  // the label shown was another database's
        AfficherMessage(QStringLiteral("La base de données [") + strChemin
                        + QStringLiteral("] n'est pas une base adaptée pour la Suite Velmora."));
        return;
    }
    bool bOk = false;
    AfficherLibelleBase(bOk);
}

}  // namespace kervane
