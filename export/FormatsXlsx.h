#pragma once
// Workbook formats from cell attributes: one libxlsxwriter format per distinct attribute set,
// made the first time a cell needs it. The default set needs none (a null format).
#include "export/AttributsCellule.h"

#include <map>

struct lxw_workbook;
struct lxw_format;

namespace kervane {

class FormatsXlsx {
public:
    explicit FormatsXlsx(lxw_workbook* pClasseur) : m_pClasseur(pClasseur) {}

    // The format of that set, null for the default set; false when the library could not
    // make one.
    bool format(const AttributsCellule& attributs, lxw_format*& pFormat);

private:
    lxw_workbook* m_pClasseur;
    std::map<AttributsCellule, lxw_format*> m_formats;
};

}  // namespace kervane
