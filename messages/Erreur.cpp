#include "messages/Erreur.h"

#include <new>
#include <stdexcept>

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
    case ERREUR_RESSOURCE: return QStringLiteral("Ressource introuvable");
    default: return QStringLiteral("Erreur définie par l'application ou par l'objet");
    }
}

void LeverErreur(qint32 nNumero)
{
    LeverErreur(nNumero, DescriptionErreur(nNumero));
}

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
    } catch (const std::exception& e) {
        return {ERREUR_ARGUMENT, DescriptionErreur(ERREUR_ARGUMENT) + QStringLiteral(" (")
                                     + QString::fromLocal8Bit(e.what()) + QLatin1Char(')')};
    } catch (...) {
        return {ERREUR_ARGUMENT, DescriptionErreur(ERREUR_ARGUMENT)};
    }
}

}  // namespace kervane
