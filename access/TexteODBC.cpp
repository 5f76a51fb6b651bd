#include "access/TexteODBC.h"

#include <cstring>

namespace kervane {

QString texteDepuisODBC(const SQLCHAR* pTampon, qsizetype nLongueur)
{
    const auto* p = reinterpret_cast<const char*>(pTampon);
    return QString::fromUtf8(p, static_cast<qsizetype>(strnlen(p, static_cast<std::size_t>(qMax<qsizetype>(0, nLongueur)))));
}

}  // namespace kervane
