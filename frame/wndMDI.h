#pragma once
// wndMDI: the main window. It holds the query windows, the menus shown while no query
// window is active, the toolbar tobBoutons acting on the active query window, and the
// status bar stbBarre with its timer timMessage.
#include "query/FenetrePrincipale.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QString>

#include <map>

class QMdiSubWindow;
class QToolBar;

namespace kervane {

class BarreEtat;

class wndMDI : public QMainWindow, public FenetrePrincipale {
    Q_OBJECT

public:
    explicit wndMDI(QWidget* pParent = nullptr);
    ~wndMDI() override;

    QMdiArea* mdiArea() { return &m_mdiArea; }
    BarreEtat* stbBarre() const { return m_pBarre; }
    QToolBar* tobBoutons() const { return m_pBoutons; }
    QAction* bouton(const QString& strCle) const;
    QAction* mnuFichierItem(int nIndex) const;
    QMenu* mnuDebugPopup() const { return m_pMnuDebug; }
    // The help file the help menu opens ("Aide en ligne", else the program's own).
    QString fichierAide() const { return m_strAideEnLigne; }

    // FenetrePrincipale
    void activerBouton(const QString& strCle, bool bActif) override;
    void enfoncerBouton(const QString& strCle, bool bEnfonce) override;
    bool boutonEnfonce(const QString& strCle) const override;
    void definirBouton(const QString& strCle, const QString& strImage, const QString& strInfobulle) override;
    QString imageBouton(const QString& strCle) const override;
    QString infobulleBouton(const QString& strCle) const override;
    bool afficherMessageStatus(const QString& strMessage, int nGenre, bool bTemporaire,
                               bool bArreterMinuterie) override;
    bool Ouvrir(bool bDlg) override;
    void Quitter() override;
    void mnuAbout_Click(int nIndex) override;
    void editerTrace() override;
    void arranger(int nIndex) override;
    QList<wndKervane*> fenetresRequetes() const override;
    void exporter(wndKervane& fenetre) override;
    void imprimer(wndKervane& fenetre) override;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void MDIForm_Load();
    void buildMenus();
    void buildToolbar();
    void showMenusOf(QMdiSubWindow* pSousFenetre);
    void tobBoutons_ButtonClick(const QString& strCle);
    void mnuFichier_Click(int nIndex);
    wndKervane* activeQueryWindow() const;
    bool openDatabase(bool bDlg);
    void titleWindow(wndKervane& fenetre);
    void tile(bool bHorizontal);

    QMdiArea m_mdiArea;
    BarreEtat* m_pBarre = nullptr;
    QToolBar* m_pBoutons = nullptr;
    std::map<QString, QAction*> m_boutons;
    std::map<QString, QString> m_imagesBoutons;
    QMenu* m_pMnuFichier = nullptr;
    QMenu* m_pMnuDebug = nullptr;
    QMenu* m_pMnuAbout = nullptr;
    std::map<int, QAction*> m_fichier;
    QString m_strAideEnLigne;
    bool m_bFermetureEnCours = false;
};

}  // namespace kervane
