// Catalogue metadata through ODBC on a SQLite-format base made here with known declarations:
// the data types (SQLGetTypeInfo), the columns (SQLColumns), indexes and keys (SQLStatistics,
// SQLPrimaryKeys, SQLSpecialColumns, SQLForeignKeys). Expected values come from the
// declarations below and from the ODBC reference (codes, column names, orders).
#include "tests/driver/MetadataTestSupport.h"

#include <algorithm>
#include <set>

namespace kervane::test {
namespace {

class MetadataTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run(
            "CREATE TABLE CLIENT(NUM INTEGER PRIMARY KEY AUTOINCREMENT, NOM TEXT(40) NOT NULL,"
            " VILLE TEXT(30) DEFAULT 'Lyon', SOLDE CURRENCY DEFAULT 0, NOTE MEMO);"
            "CREATE UNIQUE INDEX CLIENT_NOM ON CLIENT(NOM);"
            "CREATE INDEX CLIENT_VILLE ON CLIENT(VILLE DESC, SOLDE);"
            "CREATE TABLE COMMANDE(NUMCDE LONG NOT NULL, LIGNE SHORT NOT NULL,"
            " CLIENT LONG REFERENCES CLIENT(NUM) ON DELETE CASCADE, QTE DOUBLE,"
            " CONSTRAINT CLE_COMMANDE PRIMARY KEY (NUMCDE, LIGNE));"
            "CREATE TABLE REMARQUE(NUMCDE LONG, LIGNE SHORT, TEXTE MEMO, CONSTRAINT [REMARQUE DE] FOREIGN KEY"
            " (NUMCDE, LIGNE) REFERENCES COMMANDE(NUMCDE, LIGNE) ON UPDATE CASCADE);"
            "CREATE TABLE SANS_CLE(CODE TEXT(5) NOT NULL CONSTRAINT CODE_UNIQUE UNIQUE, LIBELLE TEXT(20));"
            "CREATE TABLE TYPES(T TEXT(10), M MEMO, B BYTE, S SHORT, L LONG, C COUNTER, F SINGLE, D DOUBLE,"
            " CU CURRENCY, DT DATETIME, YN YESNO, O OLEOBJECT, G GUID, DE DECIMAL(10, 2));"
            "INSERT INTO CLIENT(NOM) VALUES ('Durand'), ('Martin'), ('Petit');");
        m_session.emplace();
    }
    void TearDown() override { m_session.reset(); }

    std::optional<Session> m_session;
};

TEST_F(MetadataTest, TypeInfoListsEveryAccessTypeInDataTypeOrderWithItsOdbc3Description)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLGetTypeInfo(stmt.handle(), SQL_ALL_TYPES), SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TYPE_NAME", "DATA_TYPE", "COLUMN_SIZE", "LITERAL_PREFIX", "LITERAL_SUFFIX",
                                        "CREATE_PARAMS", "NULLABLE", "CASE_SENSITIVE", "SEARCHABLE",
                                        "UNSIGNED_ATTRIBUTE", "FIXED_PREC_SCALE", "AUTO_UNIQUE_VALUE",
                                        "LOCAL_TYPE_NAME", "MINIMUM_SCALE", "MAXIMUM_SCALE", "SQL_DATA_TYPE",
                                        "SQL_DATETIME_SUB", "NUM_PREC_RADIX", "INTERVAL_PRECISION"}));
    const std::vector<Record> types = records(stmt.handle());
    std::vector<int> codes;
    for (const Record& type : types)
        codes.push_back(std::stoi(*type.at("DATA_TYPE")));
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));

    const Record& text = byName(types, "TYPE_NAME", "VARCHAR");
    EXPECT_EQ(text.at("DATA_TYPE"), "12");
    EXPECT_EQ(text.at("COLUMN_SIZE"), "255");
    EXPECT_EQ(text.at("LITERAL_PREFIX"), "'");
    EXPECT_EQ(text.at("CREATE_PARAMS"), "max length");
    EXPECT_EQ(text.at("CASE_SENSITIVE"), "0");  // texts compare without regard to case
    EXPECT_EQ(text.at("NUM_PREC_RADIX"), std::nullopt);
    const Record& counter = byName(types, "TYPE_NAME", "COUNTER");
    EXPECT_EQ(counter.at("DATA_TYPE"), "4");
    EXPECT_EQ(counter.at("AUTO_UNIQUE_VALUE"), "1");
    EXPECT_EQ(counter.at("NULLABLE"), "0");
    const Record& money = byName(types, "TYPE_NAME", "CURRENCY");
    EXPECT_EQ(money.at("DATA_TYPE"), "2");
    EXPECT_EQ(money.at("FIXED_PREC_SCALE"), "1");
    EXPECT_EQ(money.at("MAXIMUM_SCALE"), "4");
    const Record& date = byName(types, "TYPE_NAME", "DATETIME");
    EXPECT_EQ(date.at("DATA_TYPE"), "93");
    EXPECT_EQ(date.at("SQL_DATA_TYPE"), "9");  // SQL_DATETIME, with the subcode of a timestamp
    EXPECT_EQ(date.at("SQL_DATETIME_SUB"), "3");
    EXPECT_EQ(date.at("LITERAL_PREFIX"), "#");
    EXPECT_EQ(byName(types, "TYPE_NAME", "BYTE").at("UNSIGNED_ATTRIBUTE"), "1");

    // One SQL type: its Access types, the closest first.
    stmt.close();
    EXPECT_EQ(column(catalogueRows(stmt.handle(), SQLGetTypeInfo(stmt.handle(), SQL_INTEGER)), "TYPE_NAME"),
              (std::vector<std::string>{"INTEGER", "COUNTER"}));
    EXPECT_EQ(column(catalogueRows(stmt.handle(), SQLGetTypeInfo(stmt.handle(), SQL_TYPE_TIMESTAMP)), "TYPE_NAME"),
              (std::vector<std::string>{"DATETIME"}));
    EXPECT_TRUE(catalogueRows(stmt.handle(), SQLGetTypeInfo(stmt.handle(), SQL_WCHAR)).empty());
}

TEST_F(MetadataTest, EveryColumnTypeIsOneTheTypeListNames)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLGetTypeInfo(stmt.handle(), SQL_ALL_TYPES), SQL_SUCCESS);
    std::set<std::pair<std::string, std::string>> listed;
    for (const Record& type : records(stmt.handle()))
        listed.emplace(*type.at("DATA_TYPE"), *type.at("TYPE_NAME"));
    stmt.close();
    const std::vector<Record> columns = catalogueRows(
        stmt.handle(), SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("TYPES"), SQL_NTS, nullptr, 0));
    ASSERT_EQ(columns.size(), 14u);
    for (const Record& described : columns)
        EXPECT_TRUE(listed.count({*described.at("DATA_TYPE"), *described.at("TYPE_NAME")}))
            << *described.at("COLUMN_NAME") << " " << *described.at("TYPE_NAME");
}

TEST_F(MetadataTest, AnOdbc2ApplicationGetsOdbc2ColumnNamesAndDateCode)
{
    Session odbc2("Base Test", false);
    Instruction& stmt = odbc2.stmt;
    ASSERT_EQ(SQLGetTypeInfo(stmt.handle(), SQL_TIMESTAMP), SQL_SUCCESS);
    const std::vector<std::string> names = columnNames(stmt.handle());
    EXPECT_EQ(names[2], "PRECISION");
    EXPECT_EQ(names[10], "MONEY");
    EXPECT_EQ(names[11], "AUTO_INCREMENT");
    const std::vector<Record> dates = records(stmt.handle());
    ASSERT_EQ(dates.size(), 1u);
    EXPECT_EQ(dates[0].at("DATA_TYPE"), "11");

    stmt.close();
    ASSERT_EQ(SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
              SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME", "NON_UNIQUE",
                                        "INDEX_QUALIFIER", "INDEX_NAME", "TYPE", "SEQ_IN_INDEX", "COLUMN_NAME",
                                        "COLLATION", "CARDINALITY", "PAGES", "FILTER_CONDITION"}));
    stmt.close();
    const std::vector<Record> columns = catalogueRows(
        stmt.handle(), SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, nullptr, 0));
    EXPECT_EQ(columns[0].at("PRECISION"), "10");
    EXPECT_EQ(columns[0].at("RADIX"), "10");
}

TEST_F(MetadataTest, ColumnsGiveTheEighteenOdbc3ColumnsWithKeysDefaultsAndAutoNumber)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLColumns(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "COLUMN_NAME", "DATA_TYPE",
                                        "TYPE_NAME", "COLUMN_SIZE", "BUFFER_LENGTH", "DECIMAL_DIGITS",
                                        "NUM_PREC_RADIX", "NULLABLE", "REMARKS", "COLUMN_DEF", "SQL_DATA_TYPE",
                                        "SQL_DATETIME_SUB", "CHAR_OCTET_LENGTH", "ORDINAL_POSITION", "IS_NULLABLE"}));
    const std::vector<Record> columns = records(stmt.handle());
    EXPECT_EQ(column(columns, "COLUMN_NAME"), (std::vector<std::string>{"NUM", "NOM", "VILLE", "SOLDE", "NOTE"}));
    EXPECT_EQ(column(columns, "ORDINAL_POSITION"), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    // The AutoNumber key: COUNTER, never Null.
    EXPECT_EQ(columns[0].at("TYPE_NAME"), "COUNTER");
    EXPECT_EQ(columns[0].at("NULLABLE"), "0");
    EXPECT_EQ(columns[0].at("IS_NULLABLE"), "NO");
    // NOT NULL, and a text's length in characters and bytes.
    EXPECT_EQ(columns[1].at("NULLABLE"), "0");
    EXPECT_EQ(columns[1].at("IS_NULLABLE"), "NO");
    EXPECT_EQ(columns[1].at("CHAR_OCTET_LENGTH"), "40");
    // Defaults as written in the declaration.
    EXPECT_EQ(columns[2].at("COLUMN_DEF"), "'Lyon'");
    EXPECT_EQ(columns[2].at("IS_NULLABLE"), "YES");
    EXPECT_EQ(columns[3].at("COLUMN_DEF"), "0");
    EXPECT_EQ(columns[3].at("DECIMAL_DIGITS"), "4");
    EXPECT_EQ(columns[4].at("COLUMN_DEF"), std::nullopt);
    EXPECT_EQ(columns[4].at("DATA_TYPE"), std::to_string(SQL_LONGVARCHAR));
}

TEST_F(MetadataTest, StatisticsListTheTableThenUniqueThenOtherIndexesColumnByColumn)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("client"), SQL_NTS, SQL_INDEX_ALL, SQL_ENSURE),
              SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "NON_UNIQUE", "INDEX_QUALIFIER",
                                        "INDEX_NAME", "TYPE", "ORDINAL_POSITION", "COLUMN_NAME", "ASC_OR_DESC",
                                        "CARDINALITY", "PAGES", "FILTER_CONDITION"}));
    const std::vector<Record> rows = records(stmt.handle());
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].at("TYPE"), std::to_string(SQL_TABLE_STAT));
    EXPECT_EQ(rows[0].at("CARDINALITY"), "3");
    EXPECT_EQ(rows[0].at("TABLE_NAME"), "CLIENT");
    const auto key = [](const Record& row) {
        return *row.at("NON_UNIQUE") + " " + *row.at("INDEX_NAME") + " " + *row.at("ORDINAL_POSITION") + " "
            + *row.at("COLUMN_NAME") + " " + *row.at("ASC_OR_DESC");
    };
    std::vector<std::string> keys;
    for (std::size_t i = 1; i < rows.size(); ++i)
        keys.push_back(key(rows[i]));
    EXPECT_EQ(keys, (std::vector<std::string>{"0 CLIENT_NOM 1 NOM A", "0 PrimaryKey 1 NUM A",
                                              "1 CLIENT_VILLE 1 VILLE D", "1 CLIENT_VILLE 2 SOLDE A"}));
    EXPECT_EQ(rows[1].at("TYPE"), std::to_string(SQL_INDEX_OTHER));

    stmt.close();
    const std::vector<Record> unique = catalogueRows(
        stmt.handle(),
        SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK));
    ASSERT_EQ(unique.size(), 3u);
    EXPECT_EQ(unique[0].at("CARDINALITY"), std::nullopt);  // not counted for a quick answer
    EXPECT_EQ(column(unique, "INDEX_NAME"), (std::vector<std::string>{"", "CLIENT_NOM", "PrimaryKey"}));
    // A unique constraint's index under the constraint's name.
    stmt.close();
    EXPECT_EQ(column(catalogueRows(stmt.handle(), SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("SANS_CLE"),
                                                                SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK)),
                     "INDEX_NAME"),
              (std::vector<std::string>{"", "CODE_UNIQUE"}));

    EXPECT_EQ(SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, SQL_INDEX_ALL, SQL_QUICK), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY009");
    EXPECT_EQ(SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, 7, SQL_QUICK), SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY100");
}

TEST_F(MetadataTest, PrimaryKeysAndBestRowIdentifiers)
{
    Instruction stmt(m_session->connexion);
    // The tables too have their ODBC 3 column names for an ODBC 3 application.
    ASSERT_EQ(SQLTables(stmt.handle(), nullptr, 0, nullptr, 0, text("COMMANDE"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
    stmt.close();
    ASSERT_EQ(SQLPrimaryKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("COMMANDE"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()), (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME",
                                                                    "COLUMN_NAME", "KEY_SEQ", "PK_NAME"}));
    const std::vector<Record> key = records(stmt.handle());
    EXPECT_EQ(column(key, "COLUMN_NAME"), (std::vector<std::string>{"NUMCDE", "LIGNE"}));
    EXPECT_EQ(column(key, "KEY_SEQ"), (std::vector<std::string>{"1", "2"}));
    // The key's name as the table's statement gave it; the database file's path as every
    // table's catalogue.
    EXPECT_EQ(column(key, "PK_NAME"), (std::vector<std::string>{"CLE_COMMANDE", "CLE_COMMANDE"}));
    EXPECT_EQ(key[0].at("TABLE_CAT"), m_base);
    stmt.close();
    EXPECT_TRUE(
        catalogueRows(stmt.handle(), SQLPrimaryKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("SANS_CLE"), SQL_NTS))
            .empty());

    // The primary key identifies a row; without one, a unique index of columns never Null.
    ASSERT_EQ(SQLSpecialColumns(stmt.handle(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS,
                                SQL_SCOPE_SESSION, SQL_NO_NULLS),
              SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"SCOPE", "COLUMN_NAME", "DATA_TYPE", "TYPE_NAME", "COLUMN_SIZE",
                                        "BUFFER_LENGTH", "DECIMAL_DIGITS", "PSEUDO_COLUMN"}));
    std::vector<Record> best = records(stmt.handle());
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].at("COLUMN_NAME"), "NUM");
    EXPECT_EQ(best[0].at("TYPE_NAME"), "COUNTER");
    EXPECT_EQ(best[0].at("PSEUDO_COLUMN"), std::to_string(SQL_PC_NOT_PSEUDO));
    stmt.close();
    best = catalogueRows(stmt.handle(),
                         SQLSpecialColumns(stmt.handle(), SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("SANS_CLE"),
                                           SQL_NTS, SQL_SCOPE_CURROW, SQL_NO_NULLS));
    ASSERT_EQ(best.size(), 1u);
    EXPECT_EQ(best[0].at("COLUMN_NAME"), "CODE");
    EXPECT_EQ(best[0].at("COLUMN_SIZE"), "5");
    // No column changes by itself when a row is updated.
    EXPECT_TRUE(catalogueRows(stmt.handle(),
                              SQLSpecialColumns(stmt.handle(), SQL_ROWVER, nullptr, 0, nullptr, 0, text("CLIENT"),
                                                SQL_NTS, SQL_SCOPE_SESSION, SQL_NULLABLE))
                    .empty());
}

TEST_F(MetadataTest, ForeignKeysBothWaysWithTheirRulesAndKeyOrder)
{
    Instruction stmt(m_session->connexion);
    ASSERT_EQ(SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, nullptr, 0, nullptr, 0,
                             nullptr, 0),
              SQL_SUCCESS);
    EXPECT_EQ(columnNames(stmt.handle()),
              (std::vector<std::string>{"PKTABLE_CAT", "PKTABLE_SCHEM", "PKTABLE_NAME", "PKCOLUMN_NAME", "FKTABLE_CAT",
                                        "FKTABLE_SCHEM", "FKTABLE_NAME", "FKCOLUMN_NAME", "KEY_SEQ", "UPDATE_RULE",
                                        "DELETE_RULE", "FK_NAME", "PK_NAME", "DEFERRABILITY"}));
    std::vector<Record> keys = records(stmt.handle());
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].at("PKCOLUMN_NAME"), "NUM");
    EXPECT_EQ(keys[0].at("FKTABLE_NAME"), "COMMANDE");
    EXPECT_EQ(keys[0].at("FKCOLUMN_NAME"), "CLIENT");
    EXPECT_EQ(keys[0].at("DELETE_RULE"), std::to_string(SQL_CASCADE));
    EXPECT_EQ(keys[0].at("UPDATE_RULE"), std::to_string(SQL_NO_ACTION));
    EXPECT_EQ(keys[0].at("PK_NAME"), "PrimaryKey");
    EXPECT_EQ(keys[0].at("FK_NAME"), "CLIENTCOMMANDE");  // unnamed: as Access names a relationship

    // A table's own keys: a key of two columns, in key order.
    stmt.close();
    keys = catalogueRows(stmt.handle(),
                         SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
                                        text("REMARQUE"), SQL_NTS));
    EXPECT_EQ(column(keys, "PKCOLUMN_NAME"), (std::vector<std::string>{"NUMCDE", "LIGNE"}));
    EXPECT_EQ(column(keys, "KEY_SEQ"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(column(keys, "PKTABLE_NAME"), (std::vector<std::string>{"COMMANDE", "COMMANDE"}));
    EXPECT_EQ(keys[0].at("UPDATE_RULE"), std::to_string(SQL_CASCADE));
    EXPECT_EQ(column(keys, "FK_NAME"), (std::vector<std::string>{"REMARQUE DE", "REMARQUE DE"}));
    EXPECT_EQ(keys[0].at("PK_NAME"), "CLE_COMMANDE");

    // Both tables named: only the key between them.
    EXPECT_TRUE(catalogueRows(stmt.handle(),
                              SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, text("CLIENT"), SQL_NTS, nullptr, 0,
                                             nullptr, 0, text("REMARQUE"), SQL_NTS))
                    .empty());
    EXPECT_EQ(SQLForeignKeys(stmt.handle(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
              SQL_ERROR);
    EXPECT_EQ(diagRec(SQL_HANDLE_STMT, stmt.handle()).state, "HY009");
}

}  // namespace
}  // namespace kervane::test
