// The text family on SQLite: the documented examples of the VBA reference, its rules for empty
// and Null arguments, characters counted as characters, and the ODBC {fn} names.
#include "FunctionTestSupport.h"

#include "driver/sql/functions/FunctionSupport.h"

#include <string>

namespace kervane::sql {
namespace {

class TextFunctions : public FunctionTest<registerTextFunctions> {};

const std::string INVALID_NULL(INVALID_NULL_MESSAGE);
const std::string MISMATCH(TYPE_MISMATCH_MESSAGE);

TEST_F(TextFunctions, LengthsAndSlices)
{
    expectResults({
        {"kv_len('Hello World')", "11"},
        {"kv_len(NULL)", "Null"},
        {"kv_len('été')", "3"},
        {"kv_left('Hello World', 7)", "'Hello W'"},
        {"kv_left('Hello World', 20)", "'Hello World'"},
        {"kv_left('Hello World', 0)", "''"},
        {"kv_left(NULL, 2)", "Null"},
        {"kv_right('Hello World', 6)", "' World'"},
        {"kv_right('Hello World', 20)", "'Hello World'"},
        {"kv_mid('Mid Function Demo', 1, 3)", "'Mid'"},
        {"kv_mid('Mid Function Demo', 5)", "'Function Demo'"},
        {"kv_mid('abc', 5)", "''"},
        {"kv_mid(NULL, 2)", "Null"},
        {"kv_left('élève', 2)", "'él'"},
        {"kv_right('garçon', 3)", "'çon'"},
        {"kv_mid('garçon', 4, 1)", "'ç'"},
        {"kv_mid('abc', 0)", badArgument("Mid")},
        {"kv_mid('abc', 1, -1)", badArgument("Mid")},
        {"kv_left('abc', -1)", badArgument("Left")},
    });
}

TEST_F(TextFunctions, InStrFollowsTheReferenceExamplesAndRules)
{
    const std::string s = "'XXpXXpXXPXXP'";
    expectResults({
        {"kv_instr(4, " + s + ", 'P', 1)", "6"},
        {"kv_instr(1, " + s + ", 'P', 0)", "9"},
        {"kv_instr(" + s + ", 'P')", "9"},   // binary by default
        {"kv_instr(1, " + s + ", 'W')", "0"},
        {"kv_instr('', 'a')", "0"},
        {"kv_instr(NULL, 'a')", "Null"},
        {"kv_instr('abc', NULL)", "Null"},
        {"kv_instr('abc', '')", "1"},
        {"kv_instr(2, 'abc', '')", "2"},
        {"kv_instr(5, 'abc', 'a')", "0"},
        {"kv_instr('Noël et Noël', 'ë')", "3"},
        {"kv_instr(1, 'ÉCOLE', 'é', 1)", "1"},
        {"kv_instr(1, 'ÉCOLE', 'é', 0)", "0"},
        {"kv_instr(1, 'xΩΜΈΓΑ', 'μέ', 1)", "3"},   // text mode ignores case in every script
        {"kv_instr(1, 'ՀԱՅԱՍՏԱՆ', 'յաս', 1)", "3"},
        {"kv_instr(1, 'ՀԱՅԱՍՏԱՆ', 'յաս', 0)", "0"},
        {"kv_instr(NULL, 'abc', 'a')", INVALID_NULL},
        {"kv_instr(1, 'abc', 'a', NULL)", INVALID_NULL},
        {"kv_instr(0, 'abc', 'a')", badArgument("InStr")},
    });
}

TEST_F(TextFunctions, InStrRevSearchesFromTheEnd)
{
    const std::string s = "'XXpXXpXXPXXP'";
    expectResults({
        {"kv_instrrev(" + s + ", 'P', 10, 0)", "9"},
        {"kv_instrrev(" + s + ", 'P', -1, 1)", "12"},
        {"kv_instrrev(" + s + ", 'P', 8)", "0"},   // a match must end at or before start
        {"kv_instrrev('', 'a')", "0"},
        {"kv_instrrev(NULL, 'a')", "Null"},
        {"kv_instrrev('abc', NULL)", "Null"},
        {"kv_instrrev('abc', '', 2)", "2"},
        {"kv_instrrev('abc', 'a', 5)", "0"},
        {"kv_instrrev('abcabc', 'bc')", "5"},
        {"kv_instrrev('abc', 'a', NULL)", INVALID_NULL},
        {"kv_instrrev('abc', 'a', 0)", badArgument("InStrRev")},
    });
}

TEST_F(TextFunctions, ReplaceStartsItsResultAtStart)
{
    expectResults({
        {"kv_replace('abcabc', 'b', 'X')", "'aXcaXc'"},
        {"kv_replace('abcabc', 'b', 'X', 3)", "'caXc'"},
        {"kv_replace('', 'b', 'X')", "''"},
        {"kv_replace('abc', '', 'X')", "'abc'"},
        {"kv_replace('abcabc', 'b', '')", "'acac'"},
        {"kv_replace('abc', 'b', 'X', 5)", "''"},
        {"kv_replace('abcabc', 'b', 'X', 1, 0)", "'abcabc'"},
        {"kv_replace('abcabc', 'b', 'X', 1, 1)", "'aXcabc'"},
        {"kv_replace('aBcabc', 'b', 'X', 1, -1, 1)", "'aXcaXc'"},
        {"kv_replace('aBcabc', 'b', 'X', 1, -1, 0)", "'aBcaXc'"},
        {"kv_replace('Élan élan', 'é', 'e', 1, -1, 1)", "'elan elan'"},
        {"kv_replace(NULL, 'b', 'X')", INVALID_NULL},
    });
}

TEST_F(TextFunctions, CaseTrimmingAndRepetition)
{
    expectResults({
        {"kv_ucase('élève à l''œuvre')", "'ÉLÈVE À L'ŒUVRE'"},
        {"kv_lcase('ÇA ÉTÉ ÜBER')", "'ça été über'"},
        {"kv_ucase(NULL)", "Null"},
        {"kv_trim('    ')", "''"},
        {"kv_trim('  ab  ')", "'ab'"},
        {"kv_ltrim('  ab  ')", "'ab  '"},
        {"kv_rtrim('  ab  ')", "'  ab'"},
        {"kv_trim(char(9) || 'ab')", "'\tab'"},   // spaces only
        {"kv_space(10)", "'          '"},
        {"kv_space(0)", "''"},
        {"kv_space(-1)", badArgument("Space")},
        {"kv_string(5, '*')", "'*****'"},
        {"kv_string(5, 42)", "'*****'"},
        {"kv_string(10, 'ABC')", "'AAAAAAAAAA'"},
        {"kv_string(3, 298)", "'***'"},   // codes above 255 are taken Mod 256
        {"kv_string(2, '')", badArgument("String")},
        {"kv_strreverse('abc')", "'cba'"},
        {"kv_strreverse('')", "''"},
        {"kv_strreverse('Noël')", "'lëoN'"},
        {"kv_strreverse(NULL)", INVALID_NULL},
    });
}

TEST_F(TextFunctions, StrCompOrdersBinaryOrAsText)
{
    expectResults({
        {"kv_strcomp('ABCD', 'abcd', 1)", "0"},
        {"kv_strcomp('ABCD', 'abcd', 0)", "-1"},
        {"kv_strcomp('abcd', 'ABCD')", "1"},   // binary by default
        {"kv_strcomp('abcd', NULL)", "Null"},
        {"kv_strcomp('ÉTÉ', 'été', 1)", "0"},
        {"kv_strcomp('ДМИТРИЙ', 'Дмитрий', 1)", "0"},
        {"kv_strcomp('ωμέγα', 'ΩΜΈΓΑ', 1)", "0"},
        {"kv_strcomp('été', 'f', 1)", "-1"},   // an accented letter sits before the next letter
        {"kv_strcomp('a', 'b', NULL)", INVALID_NULL},
    });
}

TEST_F(TextFunctions, CharacterCodes)
{
    expectResults({
        {"kv_asc('A')", "65"},
        {"kv_asc('Apple')", "65"},
        {"kv_asc('é')", "233"},
        {"kv_asc('€')", "128"},   // Windows-1252
        {"kv_ascw('€')", "8364"},
        {"kv_asc(NULL)", "Null"},
        {"kv_asc('')", badArgument("Asc")},
        {"kv_chr(65)", "'A'"},
        {"kv_chr(233)", "'é'"},
        {"kv_chr(128)", "'€'"},
        {"kv_chrw(8364)", "'€'"},
        {"kv_chr(256)", badArgument("Chr")},
        {"kv_chr('x')", MISMATCH},
    });
}

TEST_F(TextFunctions, OdbcEscapeFunctions)
{
    expectResults({
        {"kv_length('abc  ')", "3"},
        {"kv_length('  ')", "0"},
        {"kv_locate('b', 'abcb')", "2"},
        {"kv_locate('b', 'abcb', 3)", "4"},
        {"kv_locate('z', 'abcb')", "0"},
        {"kv_concat('ab', 'cd')", "'abcd'"},
    });
}

TEST_F(TextFunctions, CatalogueMatchesTheRegisteredFunctions)
{
    expectCatalogueRegistered(textFunctions(), "NULL");
}

}  // namespace
}  // namespace kervane::sql
