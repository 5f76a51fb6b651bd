// The controls of a query window and the wiring of their events.
#include "platform/spread/vaSpread.h"
#include "query/ColorationSql.h"
#include "query/Disposition.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTreeWidget>

#include <algorithm>

namespace kervane {

using namespace disposition;

namespace {

// Where the style lets a frame's contents begin, under its title and its line.
int contentsTop(const QGroupBox& cadre)
{
    QStyleOptionGroupBox option;
    option.initFrom(&cadre);
    option.text = cadre.title();
    option.textAlignment = cadre.alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.rect = QRect(0, 0, 400, HAUTEUR_CONCEPTION);
    return cadre.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, &cadre).top();
}

}  // namespace

void wndKervane::buildControls()
{
    cadConception = new QGroupBox(QStringLiteral("Conception"), this);
    txtConception = new QLabel(QStringLiteral("Requêtes déjà exécutées :"), cadConception);
    cboRequetes = new QComboBox(cadConception);
    cboRequetes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboRequetes->setMinimumContentsLength(8);
    txtNouvelleRequete = new QLabel(QStringLiteral("Nouvelle requête :"), cadConception);
    ediRequete = new QPlainTextEdit(cadConception);
    ediRequete->setTabChangesFocus(true);
    new ColorationSql(ediRequete->document());  // owned by the document
    btnLancer = new QPushButton(QStringLiteral("Lancer"), cadConception);
    btnLancer->setEnabled(false);
    for (QLabel* pLabel : {txtConception, txtNouvelleRequete})
        pLabel->adjustSize();
    // The controls move down as far as the style needs room for the frame's title and line;
    // the editor gives up that height so that the frame keeps its own.
    const int nDecalage = std::max(0, contentsTop(*cadConception) + 1 - HAUT_TXT_CONCEPTION);
    const int nHauteurEditeur = HAUTEUR_EDITEUR - nDecalage;
    txtConception->move(GAUCHE_CONTROLES, HAUT_TXT_CONCEPTION + nDecalage);
    txtNouvelleRequete->move(GAUCHE_CONTROLES, HAUT_TXT_NOUVELLE + nDecalage);
    cboRequetes->setGeometry(GAUCHE_CONTROLES, HAUT_COMBO + nDecalage, 200, HAUTEUR_COMBO);
    ediRequete->setGeometry(GAUCHE_CONTROLES, HAUT_EDITEUR + nDecalage, 200, nHauteurEditeur);
    btnLancer->setGeometry(220, HAUT_EDITEUR + nDecalage + (nHauteurEditeur - HAUTEUR_BOUTON) / 2, LARGEUR_BOUTON,
                           HAUTEUR_BOUTON);
    buildResultControls();
}

void wndKervane::buildResultControls()
{
    cadResultat = new QGroupBox(QStringLiteral("Résultat"), this);
    m_pPanneauOnglets = new QFrame(cadResultat);
    m_pPanneauOnglets->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    tabResultat = new QTabBar(cadResultat);
    tabResultat->setDrawBase(false);
    tabResultat->setExpanding(false);
    tabResultat->setFocusPolicy(Qt::StrongFocus);
    tabResultat->setTabData(tabResultat->addTab(QStringLiteral("Tables")), QStringLiteral("tables"));
    tabResultat->setTabData(tabResultat->addTab(QStringLiteral("Résultat")), QStringLiteral("resultat"));
    ediResultat = new QLineEdit(cadResultat);
    ediResultat->setReadOnly(true);
    txtDimensionGrille = new QLabel(cadResultat);
    txtDimensionGrille->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cadTables = new QWidget(cadResultat);
    tvwTables = new QTreeWidget(cadTables);
    tvwTables->setHeaderHidden(true);
    tvwTables->setColumnCount(1);
    tvwTables->setIconSize(QSize(16, 16));
    tvwTables->setDragEnabled(false);
    cadResultat2 = new QWidget(cadResultat);
    griRequetes = new vaSpread(cadResultat2);
    for (QWidget* pPage : {cadTables, cadResultat2})
        pPage->move(GAUCHE_PAGES, HAUT_ONGLETS + HAUTEUR_ENTETE_ONGLETS);
    tvwTables->move(MARGE_PAGE_GAUCHE, MARGE_PAGE_HAUT);
    griRequetes->move(MARGE_PAGE_GAUCHE, MARGE_PAGE_HAUT);
    cadResultat2->setEnabled(false);
    cadResultat2->hide();
}

void wndKervane::connectControls()
{
    connect(btnLancer, &QPushButton::clicked, this, [this] { btnLancer_Click(); });
    connect(cboRequetes, &QComboBox::activated, this, [this] { cboRequetes_Click(); });
    connect(ediRequete, &QPlainTextEdit::textChanged, this, [this] { ediRequete_Change(); });
    buildRunKeys();
    connect(tabResultat, &QTabBar::currentChanged, this,
            [this](int nIndex) { showTab(tabResultat->tabData(nIndex).toString()); });
    connect(tabResultat, &QTabBar::tabBarClicked, this, [this](int nIndex) {
        if (nIndex == tabResultat->currentIndex())
            showTab(tabResultat->tabData(nIndex).toString());
    });
    tabResultat->installEventFilter(this);
    tvwTables->viewport()->installEventFilter(this);
    connect(tvwTables, &QTreeWidget::itemClicked, this, [this] { tvwTables_click(); });
    connect(tvwTables, &QTreeWidget::itemDoubleClicked, this, [this] { tvwTables_click(); });
    connect(tvwTables, &QTreeWidget::itemExpanded, this, [this] { tvwTables_click(); });
    connect(tvwTables, &QTreeWidget::itemCollapsed, this, [this] { tvwTables_click(); });
    griRequetes->installEventFilter(this);
    connect(griRequetes, &vaSpread::Click, this, &wndKervane::griRequetes_Click);
    connect(griRequetes, &vaSpread::DblClick, this, &wndKervane::griRequetes_DblClick);
    connect(griRequetes, &vaSpread::MouseDown, this, &wndKervane::griRequetes_MouseDown);
    connect(griRequetes, &vaSpread::KeyDown, this, &wndKervane::griRequetes_KeyDown);
    connect(griRequetes, &vaSpread::ColWidthChange, this, &wndKervane::griRequetes_ColWidthChange);
    connect(griRequetes, &vaSpread::RowHeightChange, this, &wndKervane::griRequetes_RowHeightChange);
}

// F5 and Ctrl+Entrée (either Enter key) anywhere in the window press "Lancer": a disabled
// button makes them do nothing.
void wndKervane::buildRunKeys()
{
    auto* pLancer = new QAction(this);
    pLancer->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_Return),
                           QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    pLancer->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(pLancer);
    connect(pLancer, &QAction::triggered, btnLancer, &QPushButton::click);
}

}  // namespace kervane
