#include "messages/Erreur.h"

#include "messages/ErreurSysteme.h"

#include <new>
#include <stdexcept>
#include <system_error>

namespace kervane {

Echec::Echec(ErreurPiegee erreur)
    : m_erreur(std::move(erreur)), m_what(m_erreur.strDescription.toStdString())
{
}

void LeverErreur(qint32 nNumero, const QString& strDescription)
{
    throw Echec({nNumero, strDescription});
}

void LeverErreurODBC()
{
    LeverErreur(ERREUR_ODBC, QStringLiteral("Erreur ODBC"));
}

QString DescriptionErreur(qint32 nNumero)
{
    switch (nNumero) {
    case ERREUR_ARGUMENT: return QStringLiteral("Argument ou appel de procédure incorrect");
    case ERREUR_DEPASSEMENT: return QStringLiteral("Dépassement de capacité");
    case ERREUR_MEMOIRE: return QStringLiteral("Mémoire insuffisante");
    case ERREUR_INDICE: return QStringLiteral("L'indice n'appartient pas à la sélection");
    case ERREUR_DIVISION_ZERO: return QStringLiteral("Division par zéro");
    case ERREUR_TYPE: return QStringLiteral("Type incompatible");
    case ERREUR_FICHIER_INTROUVABLE: return QStringLiteral("Fichier introuvable");
    case ERREUR_DISQUE_PLEIN: return QStringLiteral("Disque plein");
    case ERREUR_PERMISSION: return QStringLiteral("Permission refusée");
    case ERREUR_ACCES_FICHIER: return QStringLiteral("Erreur d'accès au chemin ou au fichier");
    case ERREUR_CHEMIN_INTROUVABLE: return QStringLiteral("Chemin d'accès introuvable");
    case ERREUR_RESSOURCE: return QStringLiteral("Ressource introuvable");
    default: return QStringLiteral("Erreur définie par l'application ou par l'objet");
    }
}

void LeverErreur(qint32 nNumero)
{
    LeverErreur(nNumero, DescriptionErreur(nNumero));
}

namespace {

ErreurPiegee erreurSysteme(const std::error_code& code)
{
    if (code.category() != std::generic_category() && code.category() != std::system_category())
        return {ERREUR_ARGUMENT, DescriptionErreur(ERREUR_ARGUMENT)};
    return {NumeroErreurSysteme(code.value()), TexteErreurSysteme(code.value())};
}

}  // namespace

ErreurPiegee ErreurEnCours() noexcept
{
    try {
        throw;
    } catch (const Echec& e) {
        return e.erreur();
    } catch (const std::bad_alloc&) {
        return {ERREUR_MEMOIRE, DescriptionErreur(ERREUR_MEMOIRE)};
    } catch (const std::out_of_range&) {
        return {ERREUR_INDICE, DescriptionErreur(ERREUR_INDICE)};
    } catch (const std::overflow_error&) {
        return {ERREUR_DEPASSEMENT, DescriptionErreur(ERREUR_DEPASSEMENT)};
    } catch (const std::length_error&) {
        return {ERREUR_DEPASSEMENT, DescriptionErreur(ERREUR_DEPASSEMENT)};
    } catch (const std::system_error& e) {
        return erreurSysteme(e.code());
    } catch (...) {
        return {ERREUR_ARGUMENT, DescriptionErreur(ERREUR_ARGUMENT)};
    }
}

}  // namespace kervane
