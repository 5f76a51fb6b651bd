// Hive file text: what is written, what a hand-made export may hold, and what counts as damaged.
#include "platform/HiveFormat.h"

#include <gtest/gtest.h>

using namespace kervane;

TEST(HiveFormatTest, WritesAndReadsTheExportText)
{
    Hive ruche;
    RegistryKey& requetes = ruche.createKey("Software\\Brintek\\kervane\\Requetes");
    RegistryKey& programme = ruche.createKey("Software\\Brintek\\kervane");
    setValue(programme, "Mode Debug", qint32{30});
    setValue(programme, "Moins", qint32{-2});
    setValue(programme, "Editeur utilisé", QStringLiteral("C:\\Prog \"x\""));
    setValue(programme, "", QStringLiteral("défaut"));
    setValue(requetes, "1", QStringLiteral("a\r\nb"));
    ruche.createKey("Software\\Brintek\\Kervane A");  // after the subkeys of "kervane"
    const QByteArray texte = serializeHive(ruche);
    EXPECT_EQ(QString::fromUtf8(texte),
              "REGEDIT4\n\n[Software]\n\n[Software\\Brintek]\n\n[Software\\Brintek\\kervane]\n"
              "\"Mode Debug\"=dword:0000001e\n\"Moins\"=dword:fffffffe\n"
              "\"Editeur utilisé\"=\"C:\\\\Prog \\\"x\\\"\"\n@=\"défaut\"\n"
              "\n[Software\\Brintek\\kervane\\Requetes]\n\"1\"=hex(1):61,0d,0a,62,00\n"
              "\n[Software\\Brintek\\Kervane A]\n");
    EXPECT_EQ(serializeHive(*parseHive(texte)), texte);

    // A hand-made export: byte-order mark, CR LF, remarks, continued hex lines, missing parents.
    const std::optional<Hive> lue = parseHive("\xef\xbb\xbfREGEDIT4\r\n\r\n; remarque\r\n[Software\\Velmora]\r\n"
                                              "\"Multi\"=hex(1):6c,0a,\\\r\n  c3,a9,00\r\n");
    ASSERT_TRUE(lue.has_value());
    const RegistryValue* pMulti = findValue(*lue->findKey("software\\velmora"), "MULTI");
    ASSERT_NE(pMulti, nullptr);
    EXPECT_EQ(std::get<QString>(pMulti->donnee), "l\né");
    EXPECT_NE(lue->findKey("Software"), nullptr);
}

TEST(HiveFormatTest, AnythingMalformedIsDamaged)
{
    const char* const abimes[] = {
        "", "REGEDIT5\n", "Windows Registry Editor Version 5.00\n",
        "REGEDIT4\n\n\"Avant\"=\"toute section\"\n", "REGEDIT4\n\n[Software\n", "REGEDIT4\n\n[A\\\\B]\n",
        "REGEDIT4\n[A]\n\"a\"=\"non fermé\n", "REGEDIT4\n[A]\n\"a\"=\"b\" suite\n", "REGEDIT4\n[A]\n\"a\"=\"\\n\"\n",
        "REGEDIT4\n[A]\n\"a\"=dword:1e\n", "REGEDIT4\n[A]\n\"a\"=dword:0000001g\n",
        "REGEDIT4\n[A]\n\"a\"=hex(1):61,62\n", "REGEDIT4\n[A]\n\"a\"=hex(1):ff,00\n",
        "REGEDIT4\n[A]\n\"a\"=hex:61,00\n", "REGEDIT4\n[A]\nnom=\"x\"\n", "REGEDIT4\n[A]\n\"a\"=\"\xff\"\n",
    };
    for (const char* pAbime : abimes)
        EXPECT_FALSE(parseHive(QByteArray(pAbime)).has_value()) << pAbime;
}
