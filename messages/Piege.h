#pragma once
// The trap every procedure runs its body in: whatever the body raises is reported once
// through MSG_Afficher (kind 1, exclamation, the procedure's name) and becomes False.
#include "messages/Afficher.h"
#include "messages/Repondeur.h"

#include <QString>

namespace kervane {

// Runs corps() (which returns bool). On a raised failure, reports it, then runs
// apresErreur(erreur) (extra clean-up or trace lines of that procedure) and returns false.
template <class Corps, class ApresErreur>
bool Pieger(const QString& strProcedure, Corps&& corps, ApresErreur&& apresErreur) noexcept
{
    try {
        return corps();
    } catch (...) {
        const ErreurPiegee erreur = ErreurEnCours();
        try {
            MSG_Afficher(erreur, GENRE_ERREUR, MB_ICONEXCLAMATION, strProcedure);
            apresErreur(erreur);
        } catch (...) {
        }
        return false;
    }
}

template <class Corps>
bool Pieger(const QString& strProcedure, Corps&& corps) noexcept
{
    return Pieger(strProcedure, std::forward<Corps>(corps), [](const ErreurPiegee&) {});
}

}  // namespace kervane
