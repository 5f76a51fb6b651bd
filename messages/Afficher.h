#pragma once
// Module_MSG: every message box of the system, and the filling of catalogue texts.
#include "messages/Erreur.h"

#include <QString>
#include <variant>

namespace kervane {

// What MSG_Afficher shows: a ready text, a number (catalogue entry, or trapped-error
// number with kind 1), or a trapped error with its description.
using Message = std::variant<QString, qint32, ErreurPiegee>;

enum GenreMessage : qint16 { GENRE_ERREUR = 1, GENRE_CATALOGUE = 2 };

// Shows the message; returns the button code pressed, or 0 when none is available.
qint16 MSG_Afficher(const Message& message, qint16 nGenre, qint32 nStyle, const QString& strProcedure);
// The catalogue text with every "%%" replaced by the argument; "Message inconnue" when blank.
QString MSG_Formater(qint16 nNumero, const QString& strArgument);

// "VB-" + five-digit number + two spaces + description.
QString texteErreurPiegee(const ErreurPiegee& erreur);

}  // namespace kervane
