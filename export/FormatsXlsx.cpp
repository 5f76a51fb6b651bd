#include "export/FormatsXlsx.h"

#include <xlsxwriter.h>

namespace kervane {
namespace {

lxw_color_t couleur(quint32 nRgb)
{
    const lxw_color_t nCouleur = nRgb & 0xFFFFFFu;
    return nCouleur == 0 ? lxw_color_t{LXW_COLOR_BLACK} : nCouleur;
}

quint8 bordure(Trait trait)
{
    switch (trait) {
    case Trait::Fin: return LXW_BORDER_THIN;
    case Trait::Moyen: return LXW_BORDER_MEDIUM;
    case Trait::Aucun: break;
    }
    return LXW_BORDER_NONE;
}

void appliquerAlignement(lxw_format* pFormat, const AttributsCellule& a)
{
    switch (a.alignementH) {
    case AlignementH::Gauche: format_set_align(pFormat, LXW_ALIGN_LEFT); break;
    case AlignementH::Centre: format_set_align(pFormat, LXW_ALIGN_CENTER); break;
    case AlignementH::Droite: format_set_align(pFormat, LXW_ALIGN_RIGHT); break;
    case AlignementH::Standard: break;
    }
    switch (a.alignementV) {
    case AlignementV::Haut: format_set_align(pFormat, LXW_ALIGN_VERTICAL_TOP); break;
    case AlignementV::Centre: format_set_align(pFormat, LXW_ALIGN_VERTICAL_CENTER); break;
    case AlignementV::Bas: break;
    }
    if (a.bRetourLigne)
        format_set_text_wrap(pFormat);
}

lxw_format* nouveauFormat(lxw_workbook* pClasseur, const AttributsCellule& a)
{
    lxw_format* pFormat = workbook_add_format(pClasseur);
    if (!pFormat)
        return nullptr;
    if (a.bGras)
        format_set_bold(pFormat);
    appliquerAlignement(pFormat, a);
    format_set_left(pFormat, bordure(a.bordGauche));
    format_set_right(pFormat, bordure(a.bordDroit));
    format_set_top(pFormat, bordure(a.bordHaut));
    format_set_bottom(pFormat, bordure(a.bordBas));
    if (a.nCouleurFond != COULEUR_AUCUNE) {
        format_set_pattern(pFormat, LXW_PATTERN_SOLID);
        format_set_bg_color(pFormat, couleur(a.nCouleurFond));
    }
    if (a.nCouleurPolice != COULEUR_AUCUNE)
        format_set_font_color(pFormat, couleur(a.nCouleurPolice));
    if (a.bFormatDate)
        format_set_num_format(pFormat, "dd/mm/yy");
    return pFormat;
}

}  // namespace

bool FormatsXlsx::format(const AttributsCellule& attributs, lxw_format*& pFormat)
{
    pFormat = nullptr;
    if (attributs == AttributsCellule{})
        return true;
    const auto it = m_formats.find(attributs);
    if (it != m_formats.end()) {
        pFormat = it->second;
        return true;
    }
    pFormat = nouveauFormat(m_pClasseur, attributs);
    if (!pFormat)
        return false;
    m_formats.emplace(attributs, pFormat);
    return true;
}

}  // namespace kervane
