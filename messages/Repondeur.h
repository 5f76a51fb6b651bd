#pragma once
// The one seam for every modal question the system asks. The program answers with real
// dialogs; tests install a scripted answerer instead, so nothing waits for a person.
#include <QString>
#include <QtGlobal>

class QPrinter;

namespace kervane {

// Standard message-box style flags and answers.
enum StyleMessage : qint32 {
    MB_OK = 0,
    MB_OKCANCEL = 1,
    MB_YESNOCANCEL = 3,
    MB_YESNO = 4,
    MB_ICONSTOP = 16,
    MB_ICONQUESTION = 32,
    MB_ICONEXCLAMATION = 48,
    MB_ICONINFORMATION = 64,
    MB_DEFBUTTON2 = 256,
};
enum ReponseMessage : qint16 { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class RepondeurModal {
public:
    virtual ~RepondeurModal() = default;
    // A message box of the given style; returns the code of the button pressed.
    virtual qint16 afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre) = 0;
    // A file chooser for an existing file; returns the chosen path, empty on cancel.
    virtual QString choisirFichier(const QString& strTitre, const QString& strDossier,
                                   const QString& strFiltre) = 0;
    // A file chooser for a file to write (it may exist); the chosen path, empty on cancel.
    virtual QString choisirFichierAEnregistrer(const QString& strTitre, const QString& strChemin,
                                               const QString& strFiltre) = 0;
    // The printer's own settings dialog on that printer; true when closed with OK (the
    // printer then holds the new settings).
    virtual bool proprietesImprimante(QPrinter& imprimante) = 0;
};

// The answerer in force: the installed one, or the real dialogs.
RepondeurModal& Repondeur();

// Installs an answerer for the lifetime of this object, then puts the previous one back.
class RemplacementRepondeur {
public:
    explicit RemplacementRepondeur(RepondeurModal& repondeur);
    ~RemplacementRepondeur();
    RemplacementRepondeur(const RemplacementRepondeur&) = delete;
    RemplacementRepondeur& operator=(const RemplacementRepondeur&) = delete;

private:
    RepondeurModal* m_pPrecedent;
};

}  // namespace kervane
