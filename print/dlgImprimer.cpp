// dlgImprimer: construction and layout of the controls.
#include "print/dlgImprimer.h"

#include "print/IconesOrientation.h"
#include "print/ImpressionGrille.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace kervane {

dlgImprimer::dlgImprimer(vaSpread& griRequetes, const QString& strTexteResultat, QWidget* pParent)
    : QDialog(pParent), m_griRequetes(griRequetes), m_strTexteResultat(strTexteResultat),
      m_pPropre(std::make_unique<QPrinter>(QPrinter::HighResolution)), m_pImprimante(m_pPropre.get()),
      m_impression(std::make_unique<ImpressionGrille>(griRequetes))
{
    buildControls();
    connectEvents();
}

dlgImprimer::dlgImprimer(vaSpread& griRequetes, const QString& strTexteResultat, QPrinter& imprimante,
                         QWidget* pParent)
    : QDialog(pParent), m_griRequetes(griRequetes), m_strTexteResultat(strTexteResultat),
      m_pImprimante(&imprimante), m_impression(std::make_unique<ImpressionGrille>(griRequetes))
{
    buildControls();
    connectEvents();
}

dlgImprimer::~dlgImprimer() = default;

void dlgImprimer::buildControls()
{
    setObjectName(QStringLiteral("dlgImprimer"));
    setWindowTitle(QStringLiteral("Imprimer"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    btnAnnuler->setObjectName(QStringLiteral("btnAnnuler"));
    auto* pBoutons = new QHBoxLayout;
    pBoutons->addStretch(1);
    pBoutons->addWidget(btnOk);
    pBoutons->addWidget(btnAnnuler);

    auto* pDisposition = new QVBoxLayout(this);
    pDisposition->addWidget(buildPrinterFrame());
    pDisposition->addWidget(buildParameterFrame());
    pDisposition->addLayout(pBoutons);
    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

QGroupBox* dlgImprimer::buildPrinterFrame()
{
    cadImprimante = new QGroupBox(QStringLiteral("Imprimante"), this);
    cadImprimante->setObjectName(QStringLiteral("cadImprimante"));
    cboImprimantes = new QComboBox(cadImprimante);
    cboImprimantes->setObjectName(QStringLiteral("cboImprimantes"));
    cboImprimantes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboImprimantes->setMinimumContentsLength(28);

    tobOrientation = new QToolBar(cadImprimante);
    tobOrientation->setObjectName(QStringLiteral("tobOrientation"));
    tobOrientation->setIconSize(QSize(16, 16));
    tobOrientation_Portrait = tobOrientation->addAction(iconePortrait(), QStringLiteral("Portrait"));
    tobOrientation_Portrait->setObjectName(QStringLiteral("Portrait"));
    tobOrientation_Paysage = tobOrientation->addAction(iconePaysage(), QStringLiteral("Paysage"));
    tobOrientation_Paysage->setObjectName(QStringLiteral("Paysage"));
    for (QAction* pBouton : {tobOrientation_Portrait, tobOrientation_Paysage}) {
        pBouton->setCheckable(true);
        pBouton->setToolTip(pBouton->text());
    }
    staOrientation = new QLabel(QStringLiteral("Orientation : Paysage"), cadImprimante);
    staOrientation->setObjectName(QStringLiteral("staOrientation"));
    btnProprietes = new QPushButton(QStringLiteral("Propriétés..."), cadImprimante);
    btnProprietes->setObjectName(QStringLiteral("btnProprietes"));

    auto* pLigne = new QHBoxLayout;
    pLigne->addWidget(tobOrientation);
    pLigne->addWidget(staOrientation, 1);
    pLigne->addWidget(btnProprietes);
    auto* pCadre = new QVBoxLayout(cadImprimante);
    pCadre->addWidget(cboImprimantes);
    pCadre->addLayout(pLigne);
    return cadImprimante;
}

QGroupBox* dlgImprimer::buildParameterFrame()
{
    cadParametre = new QGroupBox(QStringLiteral("Paramètre"), this);
    cadParametre->setObjectName(QStringLiteral("cadParametre"));
    chkParametre = new QCheckBox(cadParametre);
    chkParametre->setObjectName(QStringLiteral("chkParametre"));
    chkParametre->setChecked(true);
    staParametre = new QLabel(QStringLiteral("Apparition du libellé de la requête"), cadParametre);
    staParametre->setObjectName(QStringLiteral("staParametre"));
    staParametre->setBuddy(chkParametre);
    auto* pCadre = new QHBoxLayout(cadParametre);
    pCadre->addWidget(chkParametre);
    pCadre->addWidget(staParametre, 1);
    return cadParametre;
}

void dlgImprimer::connectEvents()
{
    connect(cboImprimantes, &QComboBox::activated, this, [this] { cboImprimantes_Click(); });
    connect(tobOrientation, &QToolBar::actionTriggered, this,
            [this](QAction* pBouton) { tobOrientation_ButtonClick(*pBouton); });
    connect(btnProprietes, &QPushButton::clicked, this, [this] { btnProprietes_Click(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOk_Click(); });
    connect(btnAnnuler, &QPushButton::clicked, this, [this] { btnAnnuler_Click(); });
    // The label ticks the box as the box's own text would.
    staParametre->installEventFilter(this);
}

}  // namespace kervane
