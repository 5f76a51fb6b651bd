// dlgOuvrir: the controls and their places. The dialog has a fixed size because the inline
// message is placed at fixed positions (top 277, or 270 on two lines of width 441); its width
// follows the font so that the Recent grid shows its columns whole.
#include "open/dlgOuvrir.h"
#include "platform/Icones.h"
#include "platform/spread/vaSpread.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace kervane {
namespace {

constexpr int LARGEUR_MINIMALE = 470;
constexpr int HAUTEUR_DIALOGUE = 338;
constexpr int MARGE = 8;
constexpr int BAS_CADRES = 262;  // the inline message starts below
constexpr int HAUT_BOUTONS = 304;

QFrame* makeFrame(QWidget* pParent, const char* szNom, const QRect& place)
{
    auto* pCadre = new QFrame(pParent);
    pCadre->setObjectName(QString::fromLatin1(szNom));
    pCadre->setFrameShape(QFrame::StyledPanel);
    pCadre->setAutoFillBackground(true);
    pCadre->setGeometry(place);
    return pCadre;
}

// Wide enough for the Recent grid to show its row numbers and both its columns whole
// (30 and 50 characters of the grid's font) beside its scroll bar.
int dialogWidth()
{
    const vaSpread mesure;
    const int nGrille = mesure.ColWidthToPixels(mesure.ColWidth(0)) + mesure.ColWidthToPixels(30)
                        + mesure.ColWidthToPixels(50) + mesure.style()->pixelMetric(QStyle::PM_ScrollBarExtent)
                        + 2 * mesure.frameWidth() + 4;
    return std::max(LARGEUR_MINIMALE, nGrille + 4 * MARGE + 2);
}

}  // namespace

void dlgOuvrir::buildControls()
{
    setObjectName(QStringLiteral("dlgOuvrir"));
    setWindowTitle(QStringLiteral("Ouvrir"));
    const int LARGEUR_DIALOGUE = dialogWidth();
    setFixedSize(LARGEUR_DIALOGUE, HAUTEUR_DIALOGUE);

    tabOuvrir = new QTabBar(this);
    tabOuvrir->setObjectName(QStringLiteral("tabOuvrir"));
    tabOuvrir->setDrawBase(false);
    tabOuvrir->addTab(QStringLiteral("Existant"));
    tabOuvrir->addTab(QStringLiteral("Récent"));
    tabOuvrir->setTabData(ONGLET_EXISTANT, QStringLiteral("Existant"));
    tabOuvrir->setTabData(ONGLET_RECENT, QStringLiteral("Recent"));
    tabOuvrir->move(MARGE, MARGE);
    tabOuvrir->resize(tabOuvrir->sizeHint());

    const QRect place(MARGE, MARGE + tabOuvrir->height() - 1, LARGEUR_DIALOGUE - 2 * MARGE,
                      BAS_CADRES - MARGE - tabOuvrir->height() + 1);
    cadRecent = makeFrame(this, "cadRecent", place);
    cadExistant = makeFrame(this, "cadExistant", place);
    buildExistant();
    buildRecent();
    cadRecent->setEnabled(false);
    tabOuvrir->raise();

    staInformation = new QLabel(this);
    staInformation->setObjectName(QStringLiteral("staInformation"));
    staInformation->setGeometry(12, 277, 0, 17);
    staInformation->hide();

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(LARGEUR_DIALOGUE - 2 * 88 - MARGE + 6, HAUT_BOUTONS, 82, 26);
    btnOk->setDefault(true);
    btnOk->setEnabled(false);
    btnAnnuler = new QPushButton(QStringLiteral("Annuler"), this);
    btnAnnuler->setObjectName(QStringLiteral("btnAnnuler"));
    btnAnnuler->setGeometry(LARGEUR_DIALOGUE - 88 - MARGE + 6, HAUT_BOUTONS, 82, 26);

    setTabOrder(cboBases, btnOk);
    setTabOrder(btnOk, btnAnnuler);
}

void dlgOuvrir::buildExistant()
{
    const int nLargeur = cadExistant->width() - 24;
    staTexte = new QLabel(
        QStringLiteral("A partir de la base (ex. : /home/utilisateur/Bases/Base Velmora.mdb) :"), cadExistant);
    staTexte->setObjectName(QStringLiteral("staTexte"));
    staTexte->setGeometry(12, 18, nLargeur, 20);

    cboBases = new QComboBox(cadExistant);
    cboBases->setObjectName(QStringLiteral("cboBases"));
    cboBases->setEditable(true);
    cboBases->setInsertPolicy(QComboBox::NoInsert);
    cboBases->setGeometry(12, 44, nLargeur - 34, 26);

    tobAcceder = new QToolBar(cadExistant);
    tobAcceder->setObjectName(QStringLiteral("tobAcceder"));
    tobAcceder->setIconSize(QSize(16, 16));
    // The same folder as the main window's key "Ouvrir".
    tobAcceder_Acceder =
        tobAcceder->addAction(iconeKervane(QStringLiteral("Ouvrir")), QStringLiteral("Accéder ou Créer..."));
    tobAcceder_Acceder->setObjectName(QStringLiteral("Acceder"));
    tobAcceder_Acceder->setData(QStringLiteral("Acceder"));
    tobAcceder->setGeometry(12 + nLargeur - 30, 44, 30, 26);

    staBase = new QLabel(cadExistant);
    staBase->setObjectName(QStringLiteral("staBase"));
    staBase->setWordWrap(true);
    staBase->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    staBase->setGeometry(12, 84, nLargeur, 60);
}

void dlgOuvrir::buildRecent()
{
    griRecent = new vaSpread(cadRecent);
    griRecent->setObjectName(QStringLiteral("griRecent"));
    griRecent->setGeometry(MARGE, MARGE, cadRecent->width() - 2 * MARGE, cadRecent->height() - 2 * MARGE);
}

}  // namespace kervane
