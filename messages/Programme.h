#pragma once
// The values the whole program shares. They are filled at start-up (settings, main window)
// and read everywhere; this is the one place where program-wide state lives.
#include <QString>
#include <QtGlobal>
#include <array>

namespace kervane {

class RepondeurModal;
using LecteurDiagnosticODBC = bool (*)(QString& strTexte);

struct EtatProgramme {
    bool bModeDebug = false;
    qint32 nValeurDebug = 0;
    QString strEditeur;
    QString strNumeroUtilisateur;                 // "Number": the workstation user's identification
    QString strSeparateurDecimal = QStringLiteral(".");
    std::array<QString, 33> tabCaracteresControle;  // codes 0..31, then code 169
    QString strTitreApplication = QStringLiteral("Kervane");
    QString strNomExecutable = QStringLiteral("kervane");  // executable base name
    RepondeurModal* pRepondeur = nullptr;         // null: real message boxes
    LecteurDiagnosticODBC pLecteurDiagnosticODBC = nullptr;  // set by the access layer
};

EtatProgramme& Programme();

}  // namespace kervane
