#pragma once
// dlgOuvrir: the modal dialog in which the user chooses the Velmora database to open, by
// path ("Existant" tab) or from the recent list ("Recent" tab). Its outcome goes back through
// the program-wide chosen base path, database label and dialog flags.
//
// Use: dlgOuvrir dlg(pParent); if (dlg.charger()) dlg.exec();
#include <QDialog>
#include <QString>

class QAction;
class QComboBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTabBar;
class QToolBar;

namespace kervane {

class MotDePasseRetenu;

class vaSpread;

class dlgOuvrir : public QDialog {
    Q_OBJECT

public:
    // Tabs of tabOuvrir, by index; their keys are "Existant" and "Recent".
    enum Onglet : int { ONGLET_EXISTANT = 0, ONGLET_RECENT = 1 };

    explicit dlgOuvrir(QWidget* pParent = nullptr);
    ~dlgOuvrir() override;

    // The load: recent list, the current query window's base examined (or, with no query
    // window, the "Base source" path offered unexamined); sets the dialog loaded flag (its
    // result) and clears the dialog confirmed flag.
    bool charger();

    bool LireBasesRecentes();
    bool AfficherLibelleBase(bool& bOk);
    void AfficherMessage(const QString& strTexte);
    // Examines the combo's path unless it was examined already, then enables OK accordingly.
    void cboBases_Validate();

    // The path last examined by AfficherLibelleBase.
    QString strBase;
    // Where a password typed for the check of a base is kept for its opening (none: not kept).
    void retenirMotsDePasse(MotDePasseRetenu* pRetenu) { m_pMotDePasse = pRetenu; }
    // The path in the combo may be opened.
    bool baseValide() const { return m_bValide; }

    // Controls
    QTabBar* tabOuvrir = nullptr;
    QFrame* cadExistant = nullptr;
    QLabel* staTexte = nullptr;
    QComboBox* cboBases = nullptr;
    QToolBar* tobAcceder = nullptr;
    QAction* tobAcceder_Acceder = nullptr;  // the key "Acceder"
    QLabel* staBase = nullptr;
    QFrame* cadRecent = nullptr;
    vaSpread* griRecent = nullptr;
    QLabel* staInformation = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnAnnuler = nullptr;

protected:
    bool eventFilter(QObject* pObjet, QEvent* pEvent) override;

private:
    void buildControls();
    void buildExistant();
    void buildRecent();
    void connectEvents();

    void proposeBaseSource();
    void examinerChemin(const QString& strTexte);
    void refuseAfterFailedCheck();
    bool enregistrerSource();
    bool lireLibelle(qint16 nIndice);

    bool cboBases_KeyPress(const QKeyEvent& event);
    void cboBases_FocusOut(Qt::FocusReason raison);
    void cboBases_Click();
    void tabOuvrir_Choisir(int nOnglet);
    void tabOuvrir_GotFocus();
    void tobAcceder_ButtonClick();
    void griRecent_Click(qint32 nCol, qint32 nRow);
    void griRecent_DblClick(qint32 nCol, qint32 nRow);
    void btnOk_Click();

    QString m_strDernierValide;  // combo text last validated; empty forces a new examination
    bool m_bValide = false;
    MotDePasseRetenu* m_pMotDePasse = nullptr;
    qint32 m_nColonneTri = 1;
    bool m_bTriCroissant = false;
    bool m_bChangementOnglet = false;  // the frames are being swapped: no validation meanwhile
};

}  // namespace kervane
