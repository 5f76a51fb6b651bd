#pragma once
// Trapped errors: a procedure's body raises an Echec, its trap turns it into a message
// (MSG_Afficher kind 1) and a False result. Nothing crosses the Boolean contract.
#include <QString>
#include <exception>
#include <string>

namespace kervane {

struct ErreurPiegee {
    qint32 nNumero = 0;
    QString strDescription;
};

// Number 1 is reserved: an ODBC call failed and the driver's diagnostic explains why.
constexpr qint32 ERREUR_ODBC = 1;
constexpr qint32 ERREUR_ARGUMENT = 5;
constexpr qint32 ERREUR_DEPASSEMENT = 6;
constexpr qint32 ERREUR_MEMOIRE = 7;
constexpr qint32 ERREUR_INDICE = 9;
constexpr qint32 ERREUR_DIVISION_ZERO = 11;
constexpr qint32 ERREUR_TYPE = 13;
constexpr qint32 ERREUR_FICHIER_INTROUVABLE = 53;
constexpr qint32 ERREUR_DISQUE_PLEIN = 61;
constexpr qint32 ERREUR_PERMISSION = 70;
constexpr qint32 ERREUR_ACCES_FICHIER = 75;
constexpr qint32 ERREUR_CHEMIN_INTROUVABLE = 76;
constexpr qint32 ERREUR_RESSOURCE = 326;

class Echec : public std::exception {
public:
    explicit Echec(ErreurPiegee erreur);
    const ErreurPiegee& erreur() const noexcept { return m_erreur; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    ErreurPiegee m_erreur;
    std::string m_what;
};

[[noreturn]] void LeverErreur(qint32 nNumero, const QString& strDescription);
[[noreturn]] void LeverErreurODBC();
// Raises the standard error of that number with its usual French description.
[[noreturn]] void LeverErreur(qint32 nNumero);
QString DescriptionErreur(qint32 nNumero);

// The trapped error for the exception being handled (call inside a catch block). The
// standard library's English texts are left out: a system error gives its French reason.
ErreurPiegee ErreurEnCours() noexcept;

}  // namespace kervane
