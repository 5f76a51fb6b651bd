#pragma once
// Module_BAS: is a file a Velmora database, and may the workstation user use it.
#include "platform/MoteurAccess.h"

#include <QString>

namespace kervane {

// Whether the first table named strTable (case ignored, collection order) has the field
// strColonne (case ignored). True when the search ran; bExiste says what it found.
bool BAS_TesterExistenceChamp(const BaseMoteur& base, const QString& strColonne, const QString& strTable,
                              bool& bExiste);
// True when the file, opened by the database engine, has FAMILLE.TRADUCTION_HTML_FAMILLE.
bool BAS_VerifierBase(const QString& strChemin);
// True when nobody is connected to the database on that connection, or the first connected
// user is the workstation user; otherwise says who is connected.
bool BAS_TesterUtilisateur(qint16 nIndice);

}  // namespace kervane
