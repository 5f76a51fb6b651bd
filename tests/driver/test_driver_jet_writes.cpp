// Rows of a genuine Access 2000 file changed through the driver, as the application changes
// them: INSERT, UPDATE and DELETE in a transaction ended by SQLTransact, then the file read back
// by the driver on a new connection, by mdb-export and by jetcheck (Jackcess). A rollback, a
// statement failing half-way, a refused table and a second writer leave the file as it was.
// Every file is a copy in the test's own folder.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include "driver/jet/file/JetPageStore.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kervane::test {
namespace {

std::string firstField(const std::string& line)
{
    return line.substr(0, line.find('\t'));
}

std::vector<unsigned char> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where the file holds a double within a hundredth of a second of the date `days`.
std::vector<std::size_t> datesNear(const std::vector<unsigned char>& bytes, double days)
{
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at + 8 <= bytes.size(); ++at) {
        std::uint64_t bits = 0;
        for (int b = 7; b >= 0; --b)
            bits = bits << 8 | bytes[at + static_cast<std::size_t>(b)];
        if (std::abs(std::bit_cast<double>(bits) - days) < 0.01 / 86400)
            found.push_back(at);
    }
    return found;
}

// The sealed journal of a commit of `file` (page 1 overwritten, a page added), copied while the
// commit runs: what a crash would have left beside it.
std::vector<unsigned char> sealedJournalOf(const std::string& file)
{
    std::string error;
    const auto store = jet::JetPageStore::open(file, error);
    if (!store || !store->begin(error))
        return {};
    store->change(1)[100] ^= 0xff;
    store->change(store->append())[0] = 1;
    std::vector<unsigned char> journal;
    store->setCommitStep([&](int) {
        if (std::filesystem::exists(file + ".kvj"))
            journal = fileBytes(file + ".kvj");
    });
    return store->commit(error) ? journal : std::vector<unsigned char>();
}

class JetWritesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        m_file = path("mesures.mdb");
        std::string why;
        if (!makeJackcessFile("NoIndexTables.java", m_file, why))
            GTEST_SKIP() << why;
        m_before = dump();
        ASSERT_FALSE(m_before.empty());
    }

    // jetcheck's rows of Mesures, sorted: the header line first.
    std::vector<std::string> dump()
    {
        int status = 0;
        const std::string out = runTool(jetToolsFolder() + "/jetcheck", {"dump", "--sorted", m_file, "Mesures"}, status);
        EXPECT_EQ(status, 0) << out;
        std::vector<std::string> rows;
        for (const std::string& line : linesOf(out))
            if (!line.starts_with("###"))
                rows.push_back(line);
        return rows;
    }
    std::string verify() { return JetCopyTest::verify(m_file); }

    // The statements of the transaction: two rows added (every type), one grown (on its page,
    // which has room) and given a chained memo, one deleted.
    void makeChanges(const Connexion& connexion)
    {
        change(connexion, "INSERT INTO Mesures (Oui, Octet, Entier, Long, Monnaie, Simple, Reel, Quand, [Decimal], Guid, "
                          "Texte, Memo) VALUES (-1, 200, -1234, 123456, '1234.5678', 0.5, 3.25, '2024-02-29 13:14:15', "
                          "'-12.3456', '{01234567-89AB-CDEF-0123-456789ABCDEF}', 'élan', '" + m_memo + "')");
        change(connexion, "INSERT INTO Mesures (Oui, Octet, Entier, Long, Monnaie, Simple, Reel, Quand, [Decimal], Texte, "
                          "Memo) VALUES (0, 1, 2, 3, 4, 1.25, 2.5, #12/31/1999#, 7, 'court', 'bref')");
        change(connexion, "UPDATE Mesures SET Texte = '" + m_text + "', Memo = '" + m_longMemo + "' WHERE N = 2");
        change(connexion, "DELETE FROM Mesures WHERE N = 1");
    }
    // What jetcheck must dump after them: Access's second row with its new text and memo, and
    // the two new rows as jetcheck prints each type.
    std::vector<std::string> expectedAfterChanges() const
    {
        std::map<std::string, std::string> byNumber;
        for (std::size_t i = 1; i < m_before.size(); ++i)
            byNumber[firstField(m_before[i])] = m_before[i];
        std::vector<std::string> fields;
        std::istringstream in(byNumber.at("2"));
        for (std::string field; std::getline(in, field, '\t');)
            fields.push_back(field);
        fields.at(11) = m_text;
        fields.at(12) = m_longMemo;
        std::string grown;
        for (std::size_t i = 0; i < fields.size(); ++i)
            grown += (i ? "\t" : "") + fields[i];
        return {m_before[0], grown,
                "3\t1\t200\t-1234\t123456\t1234.5678\t0.5\t3.25\t2024-02-29 13:14:15\t-12.3456\t"
                "{01234567-89AB-CDEF-0123-456789ABCDEF}\télan\t" + m_memo + "\t\\N",
                "4\t0\t1\t2\t3\t4\t1.25\t2.5\t1999-12-31 00:00:00\t7\t\\N\tcourt\tbref\t\\N"};
    }

    std::string m_file;
    std::vector<std::string> m_before;
    const std::string m_text = std::string(50, 'x');
    const std::string m_memo = std::string(100, 'm');        // kept on a long-value page
    const std::string m_longMemo = std::string(3000, 'z');   // 6000 bytes: chained pieces
};

TEST_F(JetWritesTest, CommittedChangesAreWhatEveryReaderFinds)
{
    {
        Session connexion(accessFile(m_file), false);
        ASSERT_EQ(autocommit(connexion, false), SQL_SUCCESS);
        makeChanges(connexion);
        // Inside the transaction its statements see its rows.
        EXPECT_EQ(select(connexion, "SELECT N, Texte FROM Mesures ORDER BY N"),
                  (std::vector<Row>{{"2", m_text}, {"3", "élan"}, {"4", "court"}}));
        EXPECT_EQ(m_before, dump()) << "nothing reaches the file before the commit";
        commit(connexion);
        EXPECT_EQ(select(connexion, "SELECT count(*) FROM Mesures"), (std::vector<Row>{{"3"}}));
    }
    Session again(accessFile(m_file), false);
    EXPECT_EQ(select(again, "SELECT N, Oui, Monnaie, Quand, [Decimal], Guid, Len(Memo) FROM Mesures ORDER BY N"),
              (std::vector<Row>{{"2", "0", std::nullopt, std::nullopt, std::nullopt, std::nullopt, "3000"},
                                {"3", "1", "1234.5678", "2024-02-29 13:14:15", "-12.3456",
                                 "{01234567-89AB-CDEF-0123-456789ABCDEF}", "100"},
                                {"4", "0", "4.0000", "1999-12-31 00:00:00", "7.0000", std::nullopt, "4"}}));
    EXPECT_EQ(select(again, "SELECT Nom FROM Témoin ORDER BY Valeur"), (std::vector<Row>{{"un"}, {"deux"}}));

    EXPECT_NE(verify().find("RESULT: OK"), std::string::npos);
    EXPECT_EQ(dump(), expectedAfterChanges());
    if (!haveProgram("mdb-export"))
        GTEST_SKIP() << "mdb-export absent (paquet mdbtools)";
    int status = 0;
    std::vector<std::string> numbers;
    for (const std::string& line : linesOf(runTool("mdb-export", {"-H", m_file, "Mesures"}, status)))
        numbers.push_back(line.substr(0, line.find(',')));
    ASSERT_EQ(status, 0);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<std::string>{"2", "3", "4"}));
}

TEST_F(JetWritesTest, ARolledBackTransactionLeavesEveryByte)
{
    const std::string digest = fileDigest(m_file);
    Session connexion(accessFile(m_file), false, false);
    makeChanges(connexion);
    ASSERT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(fileDigest(m_file), digest);
    EXPECT_FALSE(std::filesystem::exists(m_file + ".kvj")) << "no journal is left";
    EXPECT_EQ(select(connexion, "SELECT N FROM Mesures ORDER BY N"), (std::vector<Row>{{"1"}, {"2"}}));
}

// The third row is too long for Texte (50 characters): the statement is undone whole, the
// transaction goes on without it.
TEST_F(JetWritesTest, AStatementFailingOnItsThirdRowLeavesNothingOfItsFirstTwo)
{
    const std::string failing = "INSERT INTO Mesures (Texte) SELECT T FROM (SELECT 'a' AS T FROM Témoin WHERE Valeur = 1 "
                                "UNION ALL SELECT 'b' FROM Témoin WHERE Valeur = 1 UNION ALL SELECT '" +
                                std::string(51, 'c') + "' FROM Témoin WHERE Valeur = 1)";
    const std::string digest = fileDigest(m_file);
    {
        Session connexion(accessFile(m_file), false, false);
        change(connexion, "INSERT INTO Mesures (Texte) VALUES ('bon')");
        expectRefused(connexion, failing, "« Texte »");
        EXPECT_EQ(select(connexion, "SELECT Texte FROM Mesures WHERE Texte IS NOT NULL AND N > 2"),
                  (std::vector<Row>{{"bon"}}));
        ASSERT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
        EXPECT_EQ(fileDigest(m_file), digest);

        change(connexion, "INSERT INTO Mesures (Texte) VALUES ('bon')");
        refusal(connexion, failing);
        commit(connexion);
    }
    Session again(accessFile(m_file), false);
    EXPECT_EQ(select(again, "SELECT Texte FROM Mesures WHERE N > 2"), (std::vector<Row>{{"bon"}}));
    EXPECT_NE(verify().find("RESULT: OK"), std::string::npos);
    // In autocommit mode the failing statement is its own transaction: nothing of it stays.
    const std::string committed = fileDigest(m_file);
    refusal(again, failing);
    EXPECT_EQ(fileDigest(m_file), committed);
}

// A value that does not fit its column is refused in French, naming the column, and the file
// keeps every byte (autocommit: each statement is its own transaction).
TEST_F(JetWritesTest, ValuesThatDoNotFitTheirColumnAreRefused)
{
    const std::string digest = fileDigest(m_file);
    Session connexion(accessFile(m_file), false);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"INSERT INTO Mesures (Long) VALUES ('abc')", "« Long » n'est pas un nombre"},
        {"INSERT INTO Mesures (Quand) VALUES ('31/02/2020')", "date valide pour la colonne « Quand »"},
        {"UPDATE Mesures SET Quand = 9999999 WHERE N = 1", "date valide pour la colonne « Quand »"},
        {"UPDATE Mesures SET Octet = 256 WHERE N = 1", "« Octet » sort des limites"},
        {"UPDATE Mesures SET Monnaie = '1.23456' WHERE N = 1", "« Monnaie » n'est pas un nombre décimal exact"},
        {"INSERT INTO Mesures (Guid) VALUES ('pas un guid')", "« Guid » n'est pas un identificateur"},
    };
    for (const auto& [sql, expected] : cases)
        expectRefused(connexion, sql, expected);
    EXPECT_EQ(fileDigest(m_file), digest);
}

TEST_F(JetWritesTest, EachStatementIsCommittedByItselfInAutocommitMode)
{
    Session writer(accessFile(m_file), false);
    change(writer, "INSERT INTO Mesures (Texte, Quand) VALUES ('seul', '2020-01-02 03:04:05')");
    change(writer, "UPDATE Mesures SET Long = 42 WHERE Texte = 'seul'");
    Session reader(accessFile(m_file), false);
    EXPECT_EQ(select(reader, "SELECT N, Long, Quand FROM Mesures WHERE Texte = 'seul'"),
              (std::vector<Row>{{"3", "42", "2020-01-02 03:04:05"}}));
    EXPECT_NE(verify().find("RESULT: OK"), std::string::npos);
}

TEST_F(JetWritesTest, ASecondWriterIsRefusedWhileTheFirstHoldsItsTransaction)
{
    Session first(accessFile(m_file), false, false);
    Session second(accessFile(m_file), false);
    change(first, "INSERT INTO Mesures (Texte, Memo) VALUES ('premier', '" + m_longMemo + "')");
    const std::string digest = fileDigest(m_file);
    expectRefused(second, "INSERT INTO Mesures (Texte) VALUES ('second')", "ouvert en écriture par un autre programme");
    // Reading goes on meanwhile, and sees the file as it is.
    EXPECT_EQ(select(second, "SELECT count(*) FROM Mesures"), (std::vector<Row>{{"2"}}));
    EXPECT_EQ(fileDigest(m_file), digest);
    commit(first);
    // The reader open all along follows the commit, a long memo on a new page included.
    EXPECT_EQ(select(second, "SELECT Texte, Len(Memo) FROM Mesures WHERE N > 2"), (std::vector<Row>{{"premier", "3000"}}));
    change(second, "INSERT INTO Mesures (Texte) VALUES ('second')");
    Session reader(accessFile(m_file), false);
    EXPECT_EQ(select(reader, "SELECT Texte FROM Mesures WHERE N > 2 ORDER BY N"),
              (std::vector<Row>{{"premier"}, {"second"}}));
    EXPECT_NE(verify().find("RESULT: OK"), std::string::npos);
}

// A journal beside the file while its writer still holds the file is that writer's commit
// under way: a connection opening then reads the file as it is and may not write. Once the
// writer is gone, the next opening finds it is another base's journal (a crash journal of
// jet/testV2000.mdb): it sets it aside, the file untouched, and says so with a warning (01000).
TEST_F(JetWritesTest, AJournalHeldByALiveWriterIsLeftAloneAndReadersGoOn)
{
    const std::string digest = fileDigest(m_file);
    const std::string journal = m_file + ".kvj";
    const std::string other = copyOf("jet/testV2000.mdb");
    if (other.empty())
        GTEST_SKIP() << "KERVANE_TEST_DATA absent : jet/testV2000.mdb manque";
    const std::vector<unsigned char> foreign = sealedJournalOf(other);
    ASSERT_FALSE(foreign.empty());
    Environnement env;
    {
        Session writer(accessFile(m_file), false, false);
        change(writer, "INSERT INTO Mesures (Texte) VALUES ('en cours')");
        std::ofstream(journal, std::ios::binary).write(reinterpret_cast<const char*>(foreign.data()),
                                                       static_cast<std::streamsize>(foreign.size()));
        Session reader(accessFile(m_file), false);
        EXPECT_EQ(select(reader, "SELECT count(*) FROM Mesures"), (std::vector<Row>{{"2"}}));
        expectRefused(reader, "DELETE FROM Mesures", "ouvert en écriture par un autre programme");
        EXPECT_TRUE(std::filesystem::exists(journal));
        ASSERT_EQ(SQLTransact(writer.henv(), writer.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
    }
    Connexion after(env);
    ASSERT_EQ(connectTo(after, m_file), SQL_SUCCESS_WITH_INFO);
    const Diagnostic notice = diagRec(SQL_HANDLE_DBC, after.handle());
    EXPECT_EQ(notice.state, "01000");
    EXPECT_NE(notice.message.find("n'a pas été écrit pour cette base (il vient d'une autre base, ou n'est pas un "
                                  "journal) : il n'a pas été appliqué et a été mis de côté sous le nom « " +
                                  journal + ".etranger »"),
              std::string::npos)
        << notice.message;
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_EQ(fileBytes(journal + ".etranger"), foreign);
    EXPECT_EQ(fileDigest(m_file), digest);
    change(after, "DELETE FROM Mesures WHERE N = 1");
    EXPECT_EQ(select(after, "SELECT N FROM Mesures"), (std::vector<Row>{{"2"}}));
}

// What the writer cannot do exactly is refused in French and writes nothing: a change an index
// refuses, a key whose sort codes are not known, a table in a relationship (nwind.mdb, Access
// 97), a system table.
TEST_F(JetWritesTest, WhatCannotBeWrittenExactlyIsRefusedAndTheFileKept)
{
    const std::string jet4 = copyOf("jet/testV2000.mdb");
    const std::string jet3 = copyOf("nwind.mdb");
    if (jet4.empty() || jet3.empty())
        GTEST_SKIP() << "KERVANE_TEST_DATA absent : jet/testV2000.mdb et nwind.mdb manquent";
    {
        const std::string digest = fileDigest(jet4);
        Session connexion(accessFile(jet4), false, false);
        // Table1 has a primary key on A (where 'abcdefg' is) and an index on B. Each refusal
        // undoes its own statement only: the transaction still commits, with nothing in it.
        expectRefused(connexion, "INSERT INTO Table1 (A, B) VALUES ('abcdefg', 'b')",
                      "doublons dans la clé primaire (« A ») de la table « Table1 »");
        expectRefused(connexion, "INSERT INTO Table1 (B, C) VALUES ('b', 1)", "ne peut pas contenir une valeur Null");
        expectRefused(connexion, "UPDATE Table1 SET B = 'ἀ' WHERE A = 'a'", "ordre de tri n'est pas connu");
        expectRefused(connexion, "DELETE FROM MSysObjects WHERE Name = 'Table1'", "table système");
        EXPECT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_COMMIT), SQL_SUCCESS);
        EXPECT_EQ(fileDigest(jet4), digest);
    }
    // indexTestV2000: rows of Table1 refer to Table2 and Table3 through relationships whose
    // integrity Access enforces; a referenced row cannot go, a row referring to nothing cannot come.
    const std::string related = copyOf("jet/indexTestV2000.mdb");
    if (!related.empty()) {
        const std::string digest = fileDigest(related);
        Session connexion(accessFile(related), false);
        // The relationship with Table3 cascades updates, not deletions.
        expectRefused(connexion, "DELETE FROM Table3 WHERE id = 11",
                      "d'une table liée font référence à la clé primaire (« id ») de la table « Table3 »");
        expectRefused(connexion, "INSERT INTO Table1 (id, otherfk1, otherfk2) VALUES (9, 7, 10)",
                      "la table liée n'a pas d'enregistrement correspondant à l'index sur « otherfk1 »");
        EXPECT_EQ(fileDigest(related), digest);
    }
    // A stored action query is listed but not read: it is called.
    const std::string queries = copyOf("jet/queryTestV2000.mdb");
    if (!queries.empty()) {
        const std::string digest = fileDigest(queries);
        Session connexion(accessFile(queries), false);
        expectRefused(connexion, "SELECT * FROM [UpdateQuery]", "« UpdateQuery » est une requête",
                      "EXECUTE UpdateQuery");
        EXPECT_EQ(fileDigest(queries), digest);
    }
    const std::string digest = fileDigest(jet3);
    Session connexion(accessFile(jet3), false, false);
    // nwind (Access 97): ALFKI has orders.
    expectRefused(connexion, "DELETE FROM Customers WHERE CustomerID = 'ALFKI'",
                  "font référence à la clé primaire (« CustomerID ») de la table « Customers »");
    EXPECT_EQ(SQLTransact(connexion.henv(), connexion.dbc(), SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(fileDigest(jet3), digest);
}

// SQL reads a date to the second. A date another program stored with a fraction of a second
// keeps it when its row is rewritten for another column; a date the statement changes is the
// one given.
TEST_F(JetWritesTest, ADateLeftAloneKeepsItsFractionOfASecond)
{
    const double whole = accessDate(2026, 12, 6, 14, 30, 0);
    const double fraction = whole + 0.3 / 86400;  // 14:30:00.3
    {
        Session connexion(accessFile(m_file), false);
        change(connexion, "INSERT INTO Mesures (Quand, Texte) VALUES ('2026-12-06 14:30:00', 'avant')");
    }
    std::vector<unsigned char> bytes = fileBytes(m_file);
    const std::vector<std::size_t> places = datesNear(bytes, whole);
    ASSERT_EQ(places.size(), 1u);
    const auto bits = std::bit_cast<std::uint64_t>(fraction);
    for (int b = 0; b < 8; ++b)
        bytes[places[0] + static_cast<std::size_t>(b)] = static_cast<unsigned char>(bits >> (8 * b));
    std::ofstream(m_file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

    {
        Session connexion(accessFile(m_file), false);
        EXPECT_EQ(select(connexion, "SELECT Quand FROM Mesures WHERE Texte = 'avant'"),
                  (std::vector<Row>{{"2026-12-06 14:30:00"}}));
        change(connexion, "UPDATE Mesures SET Texte = 'après' WHERE Texte = 'avant'");
        bytes = fileBytes(m_file);
        EXPECT_TRUE(datesNear(bytes, whole).empty()) << "la fraction de seconde a été perdue";
        const std::vector<std::size_t> kept = datesNear(bytes, fraction);
        ASSERT_EQ(kept.size(), 1u);
        std::uint64_t keptBits = 0;
        std::memcpy(&keptBits, bytes.data() + kept[0], 8);
        EXPECT_EQ(keptBits, bits);

        change(connexion, "UPDATE Mesures SET Quand = '2026-12-06 14:30:01' WHERE Texte = 'après'");
        bytes = fileBytes(m_file);
        EXPECT_TRUE(datesNear(bytes, whole).empty());
        EXPECT_EQ(datesNear(bytes, whole + 1.0 / 86400).size(), 1u);
    }
    EXPECT_EQ(verify().find("FAIL"), std::string::npos);
}

}  // namespace
}  // namespace kervane::test
