// dlgImprimer: the load, the printer settings and the handlers of the controls.
#include "messages/Afficher.h"
#include "messages/Erreur.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "print/DescriptionImprimante.h"
#include "print/dlgImprimer.h"
#include "print/ImpressionGrille.h"
#include "print/ImprimerRequete.h"
#include "print/Module_IMP.h"
#include "settings/Cles.h"
#include "settings/Registration.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace kervane {
namespace {

const QString PROCEDURE_CHARGEMENT = QStringLiteral("Form_Load dlgImprimer");

// The installed printer of that name; raises when it has gone.
QPrinterInfo installedPrinter(const QString& strNom)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(strNom);
    if (strNom.isEmpty() || info.isNull())
        LeverErreur(ERREUR_ARGUMENT, QStringLiteral("Imprimante introuvable : ") + strNom);
    return info;
}

}  // namespace

bool dlgImprimer::charger()
{
    return ChargerParametres();
}

bool dlgImprimer::ChargerParametres()
{
    EtatProgramme& programme = Programme();
    programme.bImpressionPrete = false;
    Pieger(QStringLiteral("ChargerParametres"), [&] {
        cboImprimantes->clear();
        {
            Sablier sablier;
            cboImprimantes->addItems(IMP_ListerImprimantes());
        }
        if (cboImprimantes->count() == 0) {
            MSG_Afficher(QStringLiteral("Aucune imprimante identifiée."), GENRE_CATALOGUE, MB_ICONEXCLAMATION,
                         PROCEDURE_CHARGEMENT);
            return false;
        }
        if (programme.strImprimante.isEmpty()) {
            // A platform with printers but no default one offers the first.
            programme.strImprimante = IMP_ImprimanteParDefaut();
            if (programme.strImprimante.isEmpty())
                programme.strImprimante = cboImprimantes->itemText(0);
            readChosenPrinter();
        }
        const int nIndice = cboImprimantes->findText(programme.strImprimante, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (nIndice < 0) {
            MSG_Afficher(QStringLiteral("Erreur inattendue."), GENRE_CATALOGUE, MB_ICONEXCLAMATION, PROCEDURE_CHARGEMENT);
            return false;
        }
        cboImprimantes->setCurrentIndex(nIndice);
        showOrientation(programme.nOrientationImpression);
        programme.bImpressionPrete = true;
        programme.bImprime = false;
        programme.bImpressionEnCours = false;
        return true;
    });
    return programme.bImpressionPrete;
}

// The chosen printer's current settings become the description, in the orientation shown.
void dlgImprimer::readChosenPrinter()
{
    Sablier sablier;
    EtatProgramme& programme = Programme();
    if (IMP_LireDescription(programme.strImprimante, programme.descriptionImprimante))
        IMP_EtablirOrientation(programme.descriptionImprimante, programme.nOrientationImpression);
}

void dlgImprimer::showOrientation(qint16 nOrientation)
{
    const bool bPortrait = nOrientation == ORIENTATION_PORTRAIT;
    tobOrientation_Portrait->setChecked(bPortrait);
    tobOrientation_Paysage->setChecked(!bPortrait);
    staOrientation->setText(bPortrait ? QStringLiteral("Orientation : Portrait")
                                      : QStringLiteral("Orientation : Paysage"));
}

void dlgImprimer::applyDescription(QPrinter& imprimante) const
{
    QPageLayout miseEnPage;
    if (miseEnPageDepuisDescription(Programme().descriptionImprimante, miseEnPage))
        imprimante.setPageLayout(miseEnPage);
}

bool dlgImprimer::printsToFile() const
{
    return m_pImprimante->outputFormat() == QPrinter::PdfFormat && !m_pImprimante->outputFileName().isEmpty();
}

void dlgImprimer::cboImprimantes_Click()
{
    if (!Programme().bImpressionPrete)
        return;
    Pieger(QStringLiteral("cboImprimantes_Click"), [&] {
        Programme().strImprimante = cboImprimantes->currentText();
        readChosenPrinter();
        return true;
    });
}

void dlgImprimer::tobOrientation_ButtonClick(const QAction& bouton)
{
    Pieger(QStringLiteral("tobOrientation_ButtonClick"), [&] {
        EtatProgramme& programme = Programme();
        programme.nOrientationImpression = &bouton == tobOrientation_Portrait ? ORIENTATION_PORTRAIT : ORIENTATION_PAYSAGE;
        showOrientation(programme.nOrientationImpression);
        Sablier sablier;
        IMP_EtablirOrientation(programme.descriptionImprimante, programme.nOrientationImpression);
        return true;
    });
}

void dlgImprimer::btnProprietes_Click()
{
    Pieger(QStringLiteral("btnProprietes_Click"), [&] {
        EtatProgramme& programme = Programme();
        std::unique_ptr<QPrinter> pPilote;
        {
            Sablier sablier;
            pPilote = std::make_unique<QPrinter>(installedPrinter(programme.strImprimante), QPrinter::HighResolution);
            applyDescription(*pPilote);
        }
        if (!Repondeur().proprietesImprimante(*pPilote))
            return true;
        Sablier sablier;
        programme.descriptionImprimante = descriptionDepuisMiseEnPage(pPilote->pageLayout());
        programme.nOrientationImpression =
            IMP_LireOrientation(programme.descriptionImprimante) == ORIENTATION_PORTRAIT ? ORIENTATION_PORTRAIT
                                                                                         : ORIENTATION_PAYSAGE;
        showOrientation(programme.nOrientationImpression);
        SYS_EcrireLongRegistration(cleProgramme(), QStringLiteral("Orientation de l'impression"),
                                   programme.nOrientationImpression, true);
        return true;
    });
}

bool dlgImprimer::InitialiserImprimante()
{
    return Pieger(QStringLiteral("InitialiserImprimante"), [&] {
        EtatProgramme& programme = Programme();
        btnOk->hide();
        QPrinter& objet = imprimante();
        if (objet.printerName() != programme.strImprimante) {
            installedPrinter(programme.strImprimante);
            if (!printsToFile())
                objet.setPrinterName(programme.strImprimante);
            IMP_EtablirCourante(programme.strImprimante, IMP_PiloteImprimante(programme.strImprimante),
                                IMP_PortImprimante(programme.strImprimante));
        }
        applyDescription(objet);
        objet.setPageOrientation(orientationMiseEnPage(programme.nOrientationImpression));
        m_impression->setOrientation(programme.nOrientationImpression == ORIENTATION_PORTRAIT ? ORIENTATION_PORTRAIT
                                                                                               : ORIENTATION_PAYSAGE);
        programme.bImpressionEnCours = true;
        return true;
    });
}

void dlgImprimer::btnOk_Click()
{
    Pieger(QStringLiteral("btnOk_Click"), [&] {
        EtatProgramme& programme = Programme();
        Sablier sablier;
        if (InitialiserImprimante())
            programme.bImprime =
                ImprimerRequete(*m_impression, m_strTexteResultat, chkParametre->isChecked(), imprimante());
        QCoreApplication::processEvents();
        programme.bImpressionEnCours = false;
        m_bFermeture = true;
        accept();
        return true;
    });
}

void dlgImprimer::btnAnnuler_Click()
{
    m_bFermeture = true;
    if (!Programme().bImpressionEnCours)
        QDialog::reject();
}

void dlgImprimer::reject()
{
    if (Programme().bImpressionEnCours)
        return;
    if (m_pImprimante->printerState() == QPrinter::Active)
        m_pImprimante->abort();
    QDialog::reject();
}

bool dlgImprimer::eventFilter(QObject* pObjet, QEvent* pEvent)
{
    if (pObjet == staParametre && pEvent->type() == QEvent::MouseButtonRelease && chkParametre->isEnabled()) {
        chkParametre->toggle();
        return true;
    }
    return QDialog::eventFilter(pObjet, pEvent);
}

}  // namespace kervane
