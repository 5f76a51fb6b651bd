#include "tests/support/DossierTemporaire.h"

#include <stdexcept>

namespace kervane::test {
namespace {
const char* const VARIABLES[4] = {"TEMP", "TMP", "KERVANE_REGISTRY_DIR", "ODBCINI"};
}

DossierTemporaire::DossierTemporaire()
{
    if (!m_dossier.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    for (int i = 0; i < 4; ++i)
        if (qEnvironmentVariableIsSet(VARIABLES[i]))
            m_anciens[i] = qgetenv(VARIABLES[i]);
    qputenv("TEMP", m_dossier.path().toUtf8());
    qunsetenv("TMP");
    qputenv("KERVANE_REGISTRY_DIR", m_dossier.filePath(QStringLiteral("registre")).toUtf8());
    qputenv("ODBCINI", m_dossier.filePath(QStringLiteral("odbc.ini")).toUtf8());
}

DossierTemporaire::~DossierTemporaire()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_anciens[i])
            qunsetenv(VARIABLES[i]);
        else
            qputenv(VARIABLES[i], *m_anciens[i]);
    }
}

}  // namespace kervane::test
