#include "platform/BlocsRecycles.h"

#include <mutex>

namespace kervane::recyclage {

namespace {

constexpr qsizetype kPlusPetitBloc = qsizetype{1} << 20;

struct Blocs {
    std::mutex verrou;
    QByteArray texte;
    FinsCellules fins;
};

Blocs& blocs()
{
    static Blocs gardes;
    return gardes;
}

}  // namespace

void deposer(QByteArray&& texte)
{
    if (texte.capacity() < kPlusPetitBloc || !texte.isDetached())
        return;
    Blocs& b = blocs();
    const std::lock_guard verrou(b.verrou);
    if (texte.capacity() > b.texte.capacity())
        std::swap(b.texte, texte);
}

void deposer(FinsCellules&& fins)
{
    if (fins.capacite() * static_cast<qsizetype>(sizeof(quint32)) < kPlusPetitBloc)
        return;
    Blocs& b = blocs();
    const std::lock_guard verrou(b.verrou);
    if (fins.capacite() > b.fins.capacite())
        std::swap(b.fins, fins);
}

QByteArray reprendreTexte()
{
    Blocs& b = blocs();
    QByteArray texte;
    {
        const std::lock_guard verrou(b.verrou);
        std::swap(texte, b.texte);
    }
    texte.resize(texte.capacity());
    return texte;
}

FinsCellules reprendreFins()
{
    Blocs& b = blocs();
    FinsCellules fins;
    {
        const std::lock_guard verrou(b.verrou);
        std::swap(fins, b.fins);
    }
    fins.redimensionner(0);
    return fins;
}

void vider()
{
    QByteArray texte;
    FinsCellules fins;
    Blocs& b = blocs();
    const std::lock_guard verrou(b.verrou);
    std::swap(texte, b.texte);
    std::swap(fins, b.fins);
}

}  // namespace kervane::recyclage
