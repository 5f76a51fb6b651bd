// dlgOuvrir: reading the database label through the temporary data source, after the user
// check; a database without its label row gets one.
#include "access/Module_ODBC.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "open/dlgOuvrir.h"
#include "open/Module_BAS.h"
#include "open/SaisieMotDePasse.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace kervane {
namespace {

const QString DSN_OUVERTURE = QStringLiteral("Ouverture Base Velmora");
const QString LIBELLE_ABSENT = QStringLiteral("<Sans libellé>");

// Holds a connection for one check and releases it on every way out.
class ConnexionTemporaire {
public:
    ConnexionTemporaire() = default;
    ~ConnexionTemporaire() { deconnecter(); }
    ConnexionTemporaire(const ConnexionTemporaire&) = delete;
    ConnexionTemporaire& operator=(const ConnexionTemporaire&) = delete;

    bool connecter(const QString& strBase, MotDePasseRetenu* pRetenu)
    {
        const DemandeConnexion demande{QString(), Programme().strNumeroUtilisateur.right(10), DSN_OUVERTURE,
                                       demandeMotDePasse(QApplication::activeWindow(), strBase, pRetenu)};
        return ODBC_Connecter(demande, m_nIndice, strBase);
    }
    qint16 indice() const { return m_nIndice; }
    void deconnecter()
    {
        if (m_nIndice != 0)
            ODBC_Deconnecter(m_nIndice);
        m_nIndice = 0;
    }

private:
    qint16 m_nIndice = 0;
};

// A stored truth value as the database gives it: a number (non-zero is true) or a word.
bool truthOf(const QString& strValeur)
{
    const QString strTexte = strValeur.trimmed();
    bool bNombre = false;
    const double dValeur = QString(strTexte).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&bNombre);
    if (bNombre)
        return dValeur != 0.0;
    const QString strMot = strTexte.toUpper();
    if (strMot == QLatin1String("TRUE") || strMot == QLatin1String("VRAI"))
        return true;
    if (strMot == QLatin1String("FALSE") || strMot == QLatin1String("FAUX"))
        return false;
    LeverErreur(ERREUR_TYPE);
}

}  // namespace

bool dlgOuvrir::AfficherLibelleBase(bool& bOk)
{
    bOk = false;
    Sablier sablier;
    const bool bFait = Pieger(QStringLiteral("AfficherLibelleBase"), [&] {
        strBase = cboBases->currentText();
        const QFileInfo info(strBase);
        if (!info.exists() || info.isDir()) {
            m_bValide = false;
        } else {
            if (!enregistrerSource())
                return false;
            ConnexionTemporaire connexion;
            if (!connexion.connecter(strBase, m_pMotDePasse) || !BAS_TesterUtilisateur(connexion.indice()) ||
                !lireLibelle(connexion.indice()))
                return false;
        }
        if (m_bValide) {
            staBase->setText(Programme().strLibelleBase + QStringLiteral(" - ") + strBase);
            btnOk->setEnabled(true);
        } else {
            staBase->clear();
            btnOk->setEnabled(false);
        }
        bOk = true;
        return true;
    });
    if (!bOk)
        refuseAfterFailedCheck();
    return bFait;
}

// A check that stopped part-way proves nothing about the file now in strBase, while the
// label line and the program's label would still describe the database examined before it.
// Leaving OK enabled would hand over that file, unchecked, under another database's label,
// and its opening would stop half-way through building the query window. So the line is
// emptied and OK stays disabled until a check of this path runs to its end.
void dlgOuvrir::refuseAfterFailedCheck()
{
    m_bValide = false;
    staBase->clear();
    btnOk->setEnabled(false);
}

// Points the temporary data source at strBase, creating it the first time.
bool dlgOuvrir::enregistrerSource()
{
    const QString& strPilote = Programme().strPiloteAccess;
    if (ODBC_TesterExistenceDSN(DSN_OUVERTURE))
        return ODBC_ModifierDSN(strPilote, DSN_OUVERTURE, strBase);
    return ODBC_AjouterDSN(strPilote, DSN_OUVERTURE, DSN_OUVERTURE, strBase);
}

// The label row ID_BASE=1: inserted when missing; a row that is not current makes the
// base unusable and leaves the label as it was.
bool dlgOuvrir::lireLibelle(qint16 nIndice)
{
    TableauTextes tabBase;
    if (!ODBC_SelectionnerDansTableau(nIndice, QStringLiteral("Select LIB_BASE,COURANT_BASE From BASE Where ID_BASE=1"),
                                      tabBase, false))
        return false;
    if (tabBase.texte(0, 0).toInt() == 0) {
        Programme().strLibelleBase = LIBELLE_ABSENT;
        qint32 nLignes = 0;
        if (!ODBC_Executer(nIndice,
                           QStringLiteral("Insert Into BASE (ID_BASE,COURANT_BASE,TYPE_BASE,LIB_BASE) Values "
                                          "(1,1,1,'<Sans libellé>')"),
                           nLignes) ||
            nLignes != 1)
            return false;
        m_bValide = true;
    } else if (truthOf(tabBase.texte(2, 2))) {
        Programme().strLibelleBase = tabBase.texte(2, 1);
        m_bValide = true;
    } else {
        m_bValide = false;
    }
    return true;
}

}  // namespace kervane
