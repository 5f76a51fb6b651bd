#include "export/dlgExporter.h"

#include "export/ExporterTableau.h"
#include "export/FichierProvisoire.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kervane {

dlgExporter::dlgExporter(const vaSpread& griRequetes, const QString& strLibelleBase, const QString& strBase,
                         const QString& strTexteResultat, QWidget* pParent)
    : QDialog(pParent), m_grille(griRequetes), m_strLibelleBase(strLibelleBase), m_strBase(strBase),
      m_strTexteResultat(strTexteResultat)
{
    buildControls();
    connect(ediNomFichierTableau, &QLineEdit::textChanged, this, [this] { ediNomFichierTableau_Change(); });
    connect(btnChoisirTableau, &QPushButton::clicked, this, [this] { btnChoisirTableau_Click(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOk_Click(); });
    connect(btnAnnuler, &QPushButton::clicked, this, [this] { btnAnnuler_Click(); });
}

dlgExporter::~dlgExporter() = default;

void dlgExporter::buildControls()
{
    setWindowTitle(QStringLiteral("Exporter"));
    setModal(true);

    cadTableau = new QFrame(this);
    cadTableau->setFrameShape(QFrame::StyledPanel);
    txtNomFichier = new QLabel(QStringLiteral("Nom du fichier :"), cadTableau);
    ediNomFichierTableau = new QLineEdit(cadTableau);
    ediNomFichierTableau->setMinimumWidth(420);
    txtNomFichier->setBuddy(ediNomFichierTableau);
    btnChoisirTableau = new QPushButton(QStringLiteral("Choisir..."), cadTableau);
    btnChoisirTableau->setAutoDefault(false);
    auto* pGrille = new QGridLayout(cadTableau);
    pGrille->addWidget(txtNomFichier, 0, 0, 1, 2);
    pGrille->addWidget(ediNomFichierTableau, 1, 0);
    pGrille->addWidget(btnChoisirTableau, 1, 1);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    btnAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    btnAnnuler->setAutoDefault(false);
    auto* pBoutons = new QHBoxLayout;
    pBoutons->addStretch();
    pBoutons->addWidget(btnOk);
    pBoutons->addWidget(btnAnnuler);

    auto* pPage = new QVBoxLayout(this);
    pPage->addWidget(cadTableau);
    pPage->addLayout(pBoutons);
    pPage->setSizeConstraint(QLayout::SetFixedSize);
}

bool dlgExporter::charger()
{
    EtatProgramme& programme = Programme();
    programme.bExportDisponible = false;
    const QString strProcedure = QStringLiteral("Form_Load");
    return Pieger(strProcedure, [&] {
        if (m_grille.MaxRows() == 0) {
            MSG_Afficher(QStringLiteral("Faites au moins une requête."), GENRE_CATALOGUE, MB_ICONEXCLAMATION,
                         strProcedure);
            return false;
        }
        if (!TableauExportable(m_grille, strProcedure))
            return false;
        nVersion = VERSION_TABLEUR_ANCIENNE;
        nVersion = LireVersionTableur();
        programme.bExportDisponible = true;
        programme.bExportEffectue = false;
        programme.bExportEnCours = false;
        btnOk->setEnabled(false);
        return true;
    });
}

void dlgExporter::ediNomFichierTableau_Change()
{
    btnOk->setEnabled(!ediNomFichierTableau->text().trimmed().isEmpty());
}

void dlgExporter::refuserSaisie()
{
    btnOk->setEnabled(false);
    ediNomFichierTableau->selectAll();
    ediNomFichierTableau->setFocus();
}

// The chooser opens at the typed path (a folder when it ends with "/"), else in the
// folder of the open database.
QString dlgExporter::dossierDeDepart() const
{
    const QString strTexte = ediNomFichierTableau->text().trimmed();
    if (!strTexte.isEmpty())
        return strTexte;
    return m_strBase.isEmpty() ? QString() : QFileInfo(m_strBase).absolutePath();
}

void dlgExporter::btnChoisirTableau_Click()
{
    Pieger(QStringLiteral("btnChoisirTableau_Click"), [this] {
        const QString strExtension = ExtensionTableur(nVersion);
        const QString strFiltre = QStringLiteral("Feuille Excel (*%1);;Tous fichiers (*)").arg(strExtension);
        const QString strChoix =
            Repondeur().choisirFichierAEnregistrer(QStringLiteral("Choisir..."), dossierDeDepart(), strFiltre);
        if (!strChoix.isEmpty()) {
            ediNomFichierTableau->setText(strChoix);
            ediNomFichierTableau->selectAll();
            ediNomFichierTableau->setFocus();
        }
        return true;
    });
}

bool dlgExporter::remplacementAccepte(const QString& strChemin)
{
    const QString strQuestion = QStringLiteral("Le fichier [%1] existe. Souhaitez-vous l'écraser ?").arg(strChemin);
    const qint16 nReponse =
        MSG_Afficher(strQuestion, GENRE_CATALOGUE, MB_ICONQUESTION | MB_YESNOCANCEL, QStringLiteral("btnOk_Click"));
    if (nReponse == IDYES)
        return true;
    if (nReponse == IDNO)
        QDialog::reject();
    else
        refuserSaisie();
    return false;
}

void dlgExporter::btnOk_Click()
{
    const QString strProcedure = QStringLiteral("btnOk_Click");
    Pieger(strProcedure, [&] {
        const NomExport nom = AnalyserNomFichier(ediNomFichierTableau->text(), nVersion, m_strBase);
        if (nom.verdict != VerdictNom::Valide) {
            const QString strTexte =
                nom.verdict == VerdictNom::DossierInexistant
                    ? QStringLiteral("Le répertoire [%1] est incorrect ou inexistant.").arg(nom.strDossier)
                    : QStringLiteral("Le nom de fichier [%1] est invalide.").arg(nom.strFichier);
            MSG_Afficher(strTexte, GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure);
            refuserSaisie();
            return false;
        }
        // The old file stays until the new one is complete (the writer renames over it).
        const QFileInfo existant(nom.strChemin);
        if (existant.exists() || existant.isSymLink()) {
            if (const ErreurPiegee refus = RefusDeRemplacement(nom.strChemin); refus.nNumero != 0) {
                MSG_Afficher(refus.strDescription, GENRE_CATALOGUE, MB_ICONEXCLAMATION, strProcedure);
                refuserSaisie();
                return false;
            }
            if (!remplacementAccepte(nom.strChemin))
                return false;
        }
        exporter(nom.strChemin);
        return true;
    });
}

void dlgExporter::exporter(const QString& strChemin)
{
    EtatProgramme& programme = Programme();
    btnOk->hide();
    programme.bExportEnCours = true;
    const bool bExporte = ExporterTableau(strChemin, m_grille, programme.tabBlocs,
                                          {m_strLibelleBase, m_strBase, m_strTexteResultat, QDate::currentDate()});
    programme.bExportEnCours = false;
    programme.bExportEffectue = bExporte;
    done(bExporte ? QDialog::Accepted : QDialog::Rejected);
}

void dlgExporter::btnAnnuler_Click()
{
    reject();
}

void dlgExporter::reject()
{
    if (!Programme().bExportEnCours)
        QDialog::reject();
}

void dlgExporter::closeEvent(QCloseEvent* pEvent)
{
    if (Programme().bExportEnCours)
        pEvent->ignore();
    else
        QDialog::closeEvent(pEvent);
}

}  // namespace kervane
