#pragma once
// dlgImprimer: the modal dialog that prints the result grid of a query window: the printer
// among the installed ones, portrait or landscape, the printer's own settings dialog, the
// information line's text in the page header or not. The printer chosen, its description and
// the orientation stay in the program-wide printer settings until the program ends.
//
// Use: dlgImprimer dlg(griRequetes, ediResultat->text(), pParent); if (dlg.charger()) dlg.exec();
// The dialog prints on its own printer object, set to the chosen printer by OK. Given a printer
// object that writes to a file, it prints into that file in the chosen page settings instead.
#include <QDialog>
#include <QString>

#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPrinter;
class QPushButton;
class QToolBar;

namespace kervane {

class ImpressionGrille;
class vaSpread;

class dlgImprimer : public QDialog {
    Q_OBJECT

public:
    dlgImprimer(vaSpread& griRequetes, const QString& strTexteResultat, QWidget* pParent = nullptr);
    dlgImprimer(vaSpread& griRequetes, const QString& strTexteResultat, QPrinter& imprimante,
                QWidget* pParent = nullptr);
    ~dlgImprimer() override;

    // The load: the printer list and the settings shown; its result is the dialog ready flag.
    bool charger();
    bool ChargerParametres();
    bool InitialiserImprimante();

    // Handlers, also run by the controls.
    void cboImprimantes_Click();
    void tobOrientation_ButtonClick(const QAction& bouton);
    void btnProprietes_Click();
    void btnOk_Click();
    void btnAnnuler_Click();

    // The dialog was closed by OK or Annuler.
    bool fermeture() const { return m_bFermeture; }
    // The print object: the dialog's own printer, or the one given.
    QPrinter& imprimante() { return *m_pImprimante; }
    // The grid's print function, with the orientation InitialiserImprimante gave it.
    const ImpressionGrille& impression() const { return *m_impression; }

    // Controls
    QGroupBox* cadImprimante = nullptr;
    QComboBox* cboImprimantes = nullptr;
    QToolBar* tobOrientation = nullptr;
    QAction* tobOrientation_Portrait = nullptr;  // key "Portrait"
    QAction* tobOrientation_Paysage = nullptr;   // key "Paysage"
    QLabel* staOrientation = nullptr;
    QPushButton* btnProprietes = nullptr;
    QGroupBox* cadParametre = nullptr;
    QCheckBox* chkParametre = nullptr;
    QLabel* staParametre = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnAnnuler = nullptr;

protected:
    // Closing other than by the two buttons (Escape, the window's close box): refused while a
    // print runs; otherwise the print object's pending document is dropped.
    void reject() override;
    bool eventFilter(QObject* pObjet, QEvent* pEvent) override;

private:
    void buildControls();
    QGroupBox* buildPrinterFrame();
    QGroupBox* buildParameterFrame();
    void connectEvents();

    void showOrientation(qint16 nOrientation);
    void readChosenPrinter();
    void applyDescription(QPrinter& imprimante) const;
    bool printsToFile() const;

    vaSpread& m_griRequetes;
    QString m_strTexteResultat;
    std::unique_ptr<QPrinter> m_pPropre;  // the dialog's own print object, when none is given
    QPrinter* m_pImprimante;
    std::unique_ptr<ImpressionGrille> m_impression;
    bool m_bFermeture = false;
};

}  // namespace kervane
