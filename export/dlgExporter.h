#pragma once
// dlgExporter: the modal dialog that asks for the spreadsheet file into which the result
// grid is exported, checks the name, asks before replacing a file and runs the writer.
// Its outcome goes back through the program-wide export flags (available, done, running).
//
// Use: dlgExporter dlg(grille, label, path, resultText, pParent); if (dlg.charger()) dlg.exec();
#include "export/NomFichierExport.h"

#include <QDialog>
#include <QString>

class QCloseEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kervane {

class vaSpread;

class dlgExporter : public QDialog {
    Q_OBJECT

public:
    // The grid and what the query window shows of its database and its result text.
    dlgExporter(const vaSpread& griRequetes, const QString& strLibelleBase, const QString& strBase,
                const QString& strTexteResultat, QWidget* pParent = nullptr);
    ~dlgExporter() override;

    // The load: refuses an empty grid ("Faites au moins une requête.") or one too large for
    // a sheet, reads the spreadsheet version, sets the export flags. Returns export available.
    bool charger();

    // Checks the name; a file that may not be replaced (read-only, for one) is refused before
    // the question whether to replace it.
    void btnOk_Click();
    void btnChoisirTableau_Click();
    void btnAnnuler_Click();
    // Closing (Escape, the window's close button) is refused while the writer works.
    void reject() override;

    qint32 nVersion = VERSION_TABLEUR_ANCIENNE;  // the spreadsheet version; decides the extension

    // Controls
    QFrame* cadTableau = nullptr;
    QLabel* txtNomFichier = nullptr;
    QLineEdit* ediNomFichierTableau = nullptr;
    QPushButton* btnChoisirTableau = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnAnnuler = nullptr;

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void buildControls();
    void ediNomFichierTableau_Change();
    // After a refused name: OK disabled, the text selected and focused.
    void refuserSaisie();
    bool remplacementAccepte(const QString& strChemin);
    void exporter(const QString& strChemin);
    QString dossierDeDepart() const;

    const vaSpread& m_grille;
    QString m_strLibelleBase;
    QString m_strBase;
    QString m_strTexteResultat;
};

}  // namespace kervane
