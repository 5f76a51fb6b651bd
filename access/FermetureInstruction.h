#pragma once
// Makes a slot current for the statement operations and closes its cursor on every exit
// path, after the trap has read the diagnostics it needs.
#include "access/EtatODBC.h"

namespace kervane {

class FermetureInstruction {
public:
    explicit FermetureInstruction(qint16 nIndice)
    {
        EtatODBC& etat = etatODBC();
        etat.nEmplacementCourant = nIndice;
        if (nIndice >= 1 && nIndice <= etat.nombreEmplacements())
            m_h = etat.emplacement(nIndice).instruction.get();
    }
    ~FermetureInstruction()
    {
        if (m_h)
            SQLFreeStmt(m_h, SQL_CLOSE);
    }
    FermetureInstruction(const FermetureInstruction&) = delete;
    FermetureInstruction& operator=(const FermetureInstruction&) = delete;

private:
    SQLHSTMT m_h = SQL_NULL_HSTMT;
};

}  // namespace kervane
