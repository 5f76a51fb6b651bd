// dlgOuvrir: keys and focus of the combo, tabs, recent grid, file chooser, OK.
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "open/dlgOuvrir.h"
#include "platform/spread/vaSpread.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabBar>

#include <algorithm>

namespace kervane {
namespace {

// Characters a file name cannot hold; "/" is the path separator here, so it stays typable.
const QString CARACTERES_REFUSES = QStringLiteral("*?\"<>|");

bool isModifierOnly(int nTouche)
{
    return nTouche == Qt::Key_Shift || nTouche == Qt::Key_Control || nTouche == Qt::Key_Alt ||
           nTouche == Qt::Key_Meta || nTouche == Qt::Key_AltGr || nTouche == Qt::Key_CapsLock;
}

}  // namespace

void dlgOuvrir::connectEvents()
{
    // The combo holds the focus and hands keys on to its line edit.
    cboBases->installEventFilter(this);
    tabOuvrir->installEventFilter(this);
    connect(cboBases, &QComboBox::activated, this, [this] { cboBases_Click(); });
    connect(tabOuvrir, &QTabBar::currentChanged, this, [this](int nOnglet) { tabOuvrir_Choisir(nOnglet); });
    connect(tobAcceder_Acceder, &QAction::triggered, this, [this] { tobAcceder_ButtonClick(); });
    connect(griRecent, &vaSpread::Click, this, [this](qint32 nCol, qint32 nRow) { griRecent_Click(nCol, nRow); });
    connect(griRecent, &vaSpread::DblClick, this,
            [this](qint32 nCol, qint32 nRow) { griRecent_DblClick(nCol, nRow); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOk_Click(); });
    connect(btnAnnuler, &QPushButton::clicked, this, &QDialog::reject);
}

bool dlgOuvrir::eventFilter(QObject* pObjet, QEvent* pEvent)
{
    if (pObjet == cboBases) {
        switch (pEvent->type()) {
        case QEvent::KeyPress: return cboBases_KeyPress(*static_cast<QKeyEvent*>(pEvent));
        case QEvent::FocusIn: btnOk->setDefault(false); break;
        case QEvent::FocusOut: cboBases_FocusOut(static_cast<QFocusEvent*>(pEvent)->reason()); break;
        default: break;
        }
    } else if (pObjet == tabOuvrir && pEvent->type() == QEvent::FocusIn) {
        tabOuvrir_GotFocus();
    }
    return QDialog::eventFilter(pObjet, pEvent);
}

// True when the key is used up here.
bool dlgOuvrir::cboBases_KeyPress(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) {
        cboBases_Validate();
        btnOk->setFocus();
        return true;
    }
    if (!event.text().isEmpty() && CARACTERES_REFUSES.contains(event.text().at(0)))
        return true;
    if (!isModifierOnly(event.key()))
        m_strDernierValide.clear();
    return false;
}

// Leaving the combo validates it, except for Annuler, for the combo's own list, for another
// window (a message box), while the tabs swap the frames and while the dialog closes (Escape
// or the title bar's close button must not examine the path).
void dlgOuvrir::cboBases_FocusOut(Qt::FocusReason raison)
{
    btnOk->setDefault(true);
    const QWidget* pSuivant = QApplication::focusWidget();
    if (m_bChangementOnglet || pSuivant == btnAnnuler || (pSuivant && pSuivant->window() != this))
        return;
    if (!isVisible() || raison == Qt::ActiveWindowFocusReason || raison == Qt::PopupFocusReason)
        return;
    cboBases_Validate();
}

void dlgOuvrir::cboBases_Click()
{
    cboBases_Validate();
    if (btnOk->isEnabled())
        btnOk->setFocus();
    else
        btnAnnuler->setFocus();
}

void dlgOuvrir::tabOuvrir_Choisir(int nOnglet)
{
    // Leaving the combo for the tab strip validates it first.
    if (cboBases->hasFocus())
        cboBases_Validate();
    const QScopedValueRollback<bool> changement(m_bChangementOnglet, true);
    if (nOnglet == ONGLET_EXISTANT) {
        cadRecent->setEnabled(false);
        cadExistant->setEnabled(true);
        cadExistant->raise();
        btnOk->setEnabled(m_bValide);
    } else {
        btnOk->setEnabled(griRecent->MaxRows() > 0);
        cadExistant->setEnabled(false);
        cadRecent->setEnabled(true);
        cadRecent->raise();
    }
    tabOuvrir->raise();
    tabOuvrir_GotFocus();
}

void dlgOuvrir::tabOuvrir_GotFocus()
{
    if (tabOuvrir->currentIndex() == ONGLET_EXISTANT)
        cboBases->setFocus();
    else
        griRecent->setFocus();
}

void dlgOuvrir::tobAcceder_ButtonClick()
{
    Pieger(QStringLiteral("tobAcceder_ButtonClick"), [&] {
        const QString strTexte = cboBases->currentText().trimmed();
        QString strDepart;  // a folder to start in, or the initial file name
        if (!strTexte.endsWith(QLatin1Char('/')))
            strDepart = strTexte;
        else if (QFileInfo(strTexte).isDir())
            strDepart = strTexte;
        QString strChoix = Repondeur().choisirFichier(QStringLiteral("Accéder ou Créer..."), strDepart,
                                                      QStringLiteral("Base Velmora (*.mdb);;Tous fichiers (*)"));
        if (!strChoix.isEmpty()) {
            if (QFileInfo(strChoix).suffix().isEmpty() && !QFileInfo::exists(strChoix))
                strChoix += QStringLiteral(".mdb");  // the default extension
            cboBases->setEditText(strChoix);
        }
        cboBases->lineEdit()->selectAll();
        cboBases->setFocus();
        cboBases_Validate();
        btnOk->setEnabled(m_bValide);
        return true;
    });
}

void dlgOuvrir::griRecent_Click(qint32 nCol, qint32 nRow)
{
    Pieger(QStringLiteral("griRecent_Click"), [&] {
        if (nRow == 0 && nCol != 0) {
            m_nColonneTri = nCol;
            m_bTriCroissant = !m_bTriCroissant;
            griRecent->Sort(m_nColonneTri, m_bTriCroissant);
        }
        btnOk->setFocus();
        return true;
    });
}

// The row double-clicked becomes the active row that OK takes.
void dlgOuvrir::griRecent_DblClick(qint32 nCol, qint32 nRow)
{
    if (nRow < 1 || !btnOk->isEnabled())
        return;
    griRecent->SetActiveCell(std::max(nCol, 1), nRow);
    btnOk_Click();
}

void dlgOuvrir::btnOk_Click()
{
    Pieger(QStringLiteral("btnOk_Click"), [&] {
        if (tabOuvrir->currentIndex() == ONGLET_EXISTANT) {
            Programme().strCheminBase = strBase;
        } else {
            const qint32 nLigne = griRecent->ActiveRow();
            Programme().strLibelleBase = griRecent->CellText(1, nLigne);
            Programme().strCheminBase = griRecent->CellText(2, nLigne);
        }
        Programme().bDialogueValide = true;
        accept();
        return true;
    });
}

}  // namespace kervane
